; Loop primitives (DBEQ DBNE IBEQ IBNE TBEQ TBNE on 8- and 16-bit registers, short and 9-bit
; offsets), every branch condition short and long, bit tests and bit operations.
	.include "common.inc"
	begin

; --- loop primitives
	ldx   #0
	ldab  #10
5:	inx
	dbne  b, 5b
	check_x 10
	check_b 0
	ldy   #0xFFF0
	clra
5:	inca
	ibne  y, 5b
	check_a 16
	check_y 0
	ldaa  #1
	dbeq  a, 5f
	ldab  #0xEE             ; skipped
5:	check_a 0
	ldd   #0xFFFF
	ibeq  d, 5f
	ldab  #0xEE
5:	check_d 0
	ldx   #0
	tbeq  x, 5f
	ldx   #0xEEEE
5:	check_x 0
	ldy   #3
	tbne  y, 5f
	ldy   #0xEEEE
5:	check_y 3
	ldaa  #2
	tbeq  a, 5f             ; not taken
	ldaa  #0x77
5:	check_a 0x77
	ldaa  #2
	dbne  a, 5f             ; taken: A = 1
	ldaa  #0xEE
5:	check_a 1
	ldx   #0
	ldy   #3
5:	inx                     ; a loop body longer than 128 bytes: a 9-bit negative offset
	.skip 200, 0xA7
	dbne  y, 5b
	check_x 3
	ldab  #0
	ibeq  b, 5f             ; 0 -> 1: not taken
	ldab  #0x55
5:	check_b 0x55
	ldd   #0x0100
	dbne  d, 5f
	ldd   #0xEEEE
5:	check_d 0x00FF

; --- branch conditions. Each case records in B which of BHI BLS BGT BGE BLT BLE BCS BEQ
; (bits 0 to 7) are taken after a comparison whose flags are kept in A.
	.macro taken br, bit
	tap
	\br   5f
	bra   6f
5:	orab  #\bit
6:
	.endm
	.macro conditions
	clrb
	taken bhi, 0x01
	taken bls, 0x02
	taken bgt, 0x04
	taken bge, 0x08
	taken blt, 0x10
	taken ble, 0x20
	taken bcs, 0x40
	taken beq, 0x80
	.endm
	.macro long_conditions
	clrb
	taken lbhi, 0x01
	taken lbls, 0x02
	taken lbgt, 0x04
	taken lbge, 0x08
	taken lblt, 0x10
	taken lble, 0x20
	taken lbcs, 0x40
	taken lbeq, 0x80
	.endm

	ldaa  #0x80
	cmpa  #0x01             ; unsigned above, signed less
	tpa
	conditions
	check_b 0x31
	long_conditions
	check_b 0x31
	ldaa  #0x01
	cmpa  #0x80             ; unsigned below, signed greater
	tpa
	conditions
	check_b 0x4E
	long_conditions
	check_b 0x4E
	ldaa  #0x42
	cmpa  #0x42
	tpa
	conditions
	check_b 0xAA
	long_conditions
	check_b 0xAA
	ldaa  #0x7F
	adda  #0x01             ; N and V: signed >= holds
	tpa
	clrb
	taken bmi, 0x01
	taken bpl, 0x02
	taken bvs, 0x04
	taken bvc, 0x08
	taken bge, 0x10
	taken bcc, 0x20
	taken bne, 0x40
	taken brn, 0x80
	check_b 0x75
	tpa
	clrb
	taken lbmi, 0x01
	taken lbpl, 0x02
	taken lbvs, 0x04
	taken lbvc, 0x08
	taken lbge, 0x10
	taken lbcc, 0x20
	taken lbne, 0x40
	taken lbrn, 0x80
	check_b 0x75
	ldaa  #0x80
	lbra  5f                ; a long way forward
	.skip 300, 0x00         ; BGND: would stop the program
5:	bra   5f
	bgnd
5:	check_a 0x80

; --- bit operations and bit tests in their three modes
	movb  #0x81, DATA
	clrb
	brset DATA, #0x81, 5f
	orab  #0x01
5:	brclr DATA, #0x7E, 5f
	orab  #0x02
5:	brset DATA, #0x82, 5f
	orab  #0x04             ; not taken: bit 1 is clear
5:	brclr DATA, #0x80, 5f
	orab  #0x08             ; not taken
5:	check_b 0x0C
	bset  DATA, #0x10
	check_mem DATA, 0x91
	check_ccr 0x08, 0x0E    ; N, V cleared
	bclr  DATA, #0x81
	check_mem DATA, 0x10
	ldx   #DATA - 3
	bset  3,x, #0x04
	check_mem DATA, 0x14
	bclr  3,x, #0x14
	check_ccr 0x04, 0x0E    ; Z
	check_mem DATA, 0x00
	brclr 3,x, #0xFF, 5f
	ldaa  #0xEE
5:	bset  *0x02, #0xA0
	bclr  *0x02, #0x20
	ldab  *0x02
	andb  #0xA0
	check_b 0x80
	ldab  #0
	brset *0x02, #0x80, 5f
	ldab  #0xEE
5:	check_b 0
	ldx   #DATA
	movb  #0x40, 15,x
	brset 15,x, #0x40, 5f
	ldab  #0xEE
5:	check_b 0

	finish 32
	vectors
