; CALL and RTC across flash pages 0x38 and 0x39 through the 0x8000-0xBFFF window: extended,
; indexed and indirect forms, a nested call from one page into the other, the stack frame
; (PPAGE, then the return address above it) and PPAGE restored by RTC.
	.include "common.inc"
SAVED = DATA            ; PPAGE before the calls
FRAME = DATA + 1        ; the frame far38_frame finds: PPAGE, return address
PTR   = DATA + 4        ; address and page for CALL [0,x]
	begin
	movb  PPAGE, SAVED

	call  far38, 0x38
	check_a 0x38            ; PPAGE inside the call
	check_b 0xAA            ; the byte page 0x38 shows at 0x8001
	ldab  PPAGE
	cmpb  SAVED
	tpa
	anda  #0x04
	check_a 0x04            ; RTC gave PPAGE back
	check_sp RAM_TOP

	call  far38_nested, 0x38
	check_a 0x39            ; from page 0x39, called from page 0x38
	check_b 0xAA            ; page 0x38 again after the inner RTC

	ldx   #0x8002
	call  0,x, 0x39
	check_a 0x39
	check_b 0xBB

	movw  #0x8002, PTR
	movb  #0x38, PTR + 2
	ldx   #PTR
	call  [0,x]
	check_a 0x38
	check_b 0xAA

	call  far38_frame, 0x38
ret_frame:
	ldab  FRAME
	cmpb  SAVED
	tpa
	anda  #0x04
	check_a 0x04
	check_memw FRAME + 1, ret_frame
	check_sp RAM_TOP

	finish 13
	vectors

	.section .page38,"ax"
	.byte 0x38, 0xAA        ; 0x8000
far38:                          ; 0x8002
	ldaa  PPAGE
	ldab  0x8001
	rtc
far38_nested:
	call  far39, 0x39
	ldab  0x8001
	rtc
far38_frame:
	movb  0,sp, FRAME
	movw  1,sp, FRAME + 1
	rtc

	.section .page39,"ax"
	.byte 0x39, 0xBB        ; 0x8000
far39:                          ; 0x8002
	ldaa  PPAGE
	ldab  0x8001
	rtc
