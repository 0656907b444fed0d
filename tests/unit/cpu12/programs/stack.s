; The stack: pushes and pulls, BSR/JSR/RTS, SWI and RTI with the interrupt frame checked byte by
; byte (HCS12: CCR, B, A, X, Y, return address from SP up), TRAP for an unimplemented opcode, and
; the register transfers (TFR, EXG, SEX).
	.include "common.inc"
PTRW = DATA + 0x40
	begin

; --- pushes and pulls
	ldaa  #0x11
	psha
	check_sp RAM_TOP - 1
	check_mem RAM_TOP - 1, 0x11
	ldx   #0x2233
	pshx
	check_memw RAM_TOP - 3, 0x2233
	ldd   #0x4455
	pshd
	check_memw RAM_TOP - 5, 0x4455
	ldy   #0x6677
	pshy
	ldab  #0x88
	pshb
	andcc #0xC0
	orcc  #0x0B
	pshc
	check_mem RAM_TOP - 9, 0xCB
	andcc #0xC0
	pulc
	check_ccr 0x0B, 0x0F
	pula
	check_a 0x88
	puld
	check_d 0x6677
	pulx
	check_x 0x4455
	puly
	check_y 0x2233
	pulb
	check_b 0x11
	check_sp RAM_TOP

; --- subroutines
	clra
	bsr   add_one
	jsr   add_one
	ldx   #add_one
	jsr   0,x
	movw  #add_one, PTRW
	ldy   #PTRW
	jsr   [0,y]
	check_a 4
	jsr   return_address
ret1:	check_d ret1

; --- SWI and RTI
	ldx   #0x1111
	ldy   #0x2222
	ldd   #0x3344
	andcc #0xC0             ; S X, interrupts enabled
	orcc  #0x05             ; Z C
	swi
after_swi:
	tpa
	check_a 0xC5            ; the CCR as it was: I clear again
	check_x 0x1111
	check_y 0x2222
	tba
	check_a 0x44
	check_sp RAM_TOP

; --- TRAP: an unimplemented opcode vectors through 0xFFF8; its number is below the return
; address
	ldaa  #0x01
	.byte 0x18, 0x42        ; an unimplemented page-2 opcode
	check_a 0x42
	check_sp RAM_TOP

; --- transfers and exchanges
	ldaa  #0x85
	sex   a, x
	check_x 0xFF85
	ldab  #0x05
	sex   b, d
	check_d 0x0005
	ldaa  #0x12
	tfr   a, b
	check_b 0x12
	ldx   #0xABCD
	tfr   x, a              ; the low byte
	check_a 0xCD
	ldy   #0x1234
	exg   x, y
	check_x 0x1234
	check_y 0xABCD
	ldaa  #0x77
	exg   a, y              ; Y = $00:A, A = the low byte of Y
	check_y 0x0077
	check_a 0xCD
	ldx   #0x5566
	ldab  #0x99
	exg   x, b              ; B = the low byte of X, X keeps its high byte
	check_b 0x66
	check_x 0x5599
	ldd   #0xBEEF
	xgdx
	check_x 0xBEEF
	check_d 0x5599
	tsx
	check_x RAM_TOP
	ldaa  #0xC1
	tap
	check_ccr 0x01, 0x0F
	tpa
	check_a 0xC1
	andcc #0xBF             ; X can be cleared ...
	orcc  #0x40             ; ... but never set again by software
	tpa
	anda  #0x40
	check_a 0x00

	finish 45

add_one:
	inca
	rts

return_address:
	ldd   0,sp
	rts

swi_handler:
	ldaa  0,sp
	check_a 0xC5            ; the CCR at SP
	ldaa  1,sp
	check_a 0x44            ; B
	ldaa  2,sp
	check_a 0x33            ; A
	ldd   3,sp
	check_d 0x1111          ; X
	ldd   5,sp
	check_d 0x2222          ; Y
	ldd   7,sp
	check_d after_swi       ; the return address
	tpa
	anda  #0x10
	check_a 0x10            ; SWI set I
	tfr   sp, d
	check_d RAM_TOP - 9
	ldx   #0
	ldy   #0
	ldd   #0
	rti

trap_handler:
	ldx   7,sp              ; the return address
	ldaa  -1,x              ; the opcode
	staa  2,sp              ; becomes A after RTI
	rti

	vectors swi_handler, trap_handler
