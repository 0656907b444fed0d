; Multiplication and division (MUL EMUL EMULS EDIV EDIVS IDIV IDIVS FDIV EMACS) with their flags,
; division by zero and overflow; minimum and maximum (MAXA MINA MAXM MINM EMAXD EMIND EMAXM EMINM).
	.include "common.inc"
ACC = DATA + 0x10
	begin

; --- MUL: A * B into D, C = bit 7 of B (to round A)
	case
	ldaa  #12
	ldab  #13
	mul
	check_d 0x009C
	check_ccr 0x01, 0x01
	ldaa  #0xFF
	ldab  #0xFF
	mul
	check_d 0xFE01
	check_ccr 0x00, 0x01

; --- EMUL, EMULS: D * Y into Y:D; N Z from the 32 bits, C = bit 15
	case
	ldd   #0x1234
	ldy   #0x5678
	emul
	check_y 0x0626
	check_d 0x0060
	check_ccr 0x00, 0x0D
	ldd   #0xFFFF
	ldy   #0x0002
	emul
	check_y 0x0001
	check_d 0xFFFE
	check_ccr 0x01, 0x0D
	ldd   #0xFFFF           ; -1
	ldy   #0x0002
	emuls
	check_y 0xFFFF
	check_d 0xFFFE
	check_ccr 0x09, 0x0D    ; N C
	ldd   #0
	ldy   #0x1234
	emuls
	check_ccr 0x04, 0x0D    ; Z

; --- EDIV, EDIVS: Y:D / X; quotient in Y, remainder in D
	case
	ldy   #0x0001
	ldd   #0x0000
	ldx   #3
	ediv
	check_y 0x5555
	check_d 0x0001
	check_ccr 0x00, 0x0F
	ldy   #0x1111
	ldd   #0x2222
	ldx   #0
	ediv
	check_ccr 0x01, 0x03    ; C: division by zero
	check_y 0x1111          ; nothing stored
	ldy   #0x0002
	ldd   #0x0000
	ldx   #1
	ediv
	check_ccr 0x02, 0x03    ; V: the quotient does not fit
	check_y 0x0002
	ldy   #0xFFFF
	ldd   #0xFF00           ; -256
	ldx   #16
	edivs
	check_y 0xFFF0          ; -16
	check_d 0x0000
	check_ccr 0x08, 0x0F    ; N
	ldy   #0xFFFF
	ldd   #0xFFF9           ; -7
	ldx   #2
	edivs
	check_y 0xFFFD          ; -3, remainder -1
	check_d 0xFFFF
	ldy   #0x0001
	ldd   #0x0000
	ldx   #1
	edivs
	check_ccr 0x02, 0x03    ; 65536 does not fit a signed word

; --- IDIV, IDIVS, FDIV: D / X; quotient in X, remainder in D
	case
	ldd   #1000
	ldx   #7
	idiv
	check_x 142
	check_d 6
	check_ccr 0x00, 0x07
	ldd   #5
	ldx   #7
	idiv
	check_x 0
	check_ccr 0x04, 0x07    ; Z
	ldd   #5
	ldx   #0
	idiv
	check_x 0xFFFF
	check_ccr 0x01, 0x07    ; C, and Z clear for the quotient 0xFFFF
	ldd   #0xFC18           ; -1000
	ldx   #7
	idivs
	check_x 0xFF72          ; -142
	check_d 0xFFFA          ; -6
	check_ccr 0x08, 0x0F
	ldd   #0x8000
	ldx   #0xFFFF
	idivs
	check_ccr 0x02, 0x03    ; V: -32768 / -1
	ldd   #0x4000
	ldx   #0x8000
	fdiv
	check_x 0x8000          ; 0.5
	check_d 0
	check_ccr 0x00, 0x07
	ldd   #1
	ldx   #3
	fdiv
	check_x 0x5555
	check_d 1
	ldd   #5
	ldx   #5
	fdiv
	check_x 0xFFFF
	check_ccr 0x02, 0x03    ; V: numerator not below the denominator
	ldd   #5
	ldx   #0
	fdiv
	check_x 0xFFFF
	check_ccr 0x03, 0x07    ; V and C: a zero divisor is below every numerator

; --- EMACS: the signed product of the words at X and Y added to a 32-bit accumulator
	movw  #0xFFFE, DATA     ; -2
	movw  #300, DATA + 2
	movw  #0, ACC
	movw  #0x1000, ACC + 2
	ldx   #DATA
	ldy   #DATA + 2
	emacs ACC
	check_memw ACC, 0x0000
	check_memw ACC + 2, 0x0DA8
	check_ccr 0x01, 0x0F    ; C: the unsigned carry of adding a negative product
	movw  #0x7FFF, DATA
	movw  #0x7FFF, DATA + 2
	movw  #0x7FFF, ACC
	movw  #0xFFF0, ACC + 2
	emacs ACC
	check_memw ACC, 0xBFFE
	check_memw ACC + 2, 0xFFF1
	check_ccr 0x0A, 0x0F    ; N V: signed overflow

; --- minimum and maximum, flags from A - M (D - M)
	movb  #0x50, DATA
	ldx   #DATA
	ldaa  #0x30
	maxa  0,x
	check_a 0x50
	check_ccr 0x09, 0x0F    ; N C: 0x30 - 0x50
	ldaa  #0x30
	mina  0,x
	check_a 0x30
	ldaa  #0x70
	mina  0,x
	check_a 0x50
	ldaa  #0x70
	maxm  0,x
	check_mem DATA, 0x70
	ldaa  #0x10
	maxm  0,x
	check_mem DATA, 0x70
	minm  0,x
	check_mem DATA, 0x10
	movw  #0x1234, DATA + 2
	ldd   #0x2000
	emind 2,x
	check_d 0x1234
	ldd   #0x1000
	emaxd 2,x
	check_d 0x1234
	check_ccr 0x09, 0x0F
	ldd   #0x3000
	emaxm 2,x
	check_memw DATA + 2, 0x3000
	ldd   #0x0100
	eminm 2,x
	check_memw DATA + 2, 0x0100
	ldd   #0x8000           ; unsigned: 0x8000 is the larger
	emaxm 2,x
	check_memw DATA + 2, 0x8000

	finish 66
	vectors
