; Arithmetic, logic and shifts with every flag outcome (H N Z V C), 16-bit arithmetic and BCD.
	.include "common.inc"
	begin

; --- 8-bit addition: H, N, Z, V, C each set and clear
	case
	ldaa  #0x05
	adda  #0x03
	check_a 0x08
	check_ccr 0x00
	case
	ldaa  #0x0F
	adda  #0x01
	check_a 0x10
	check_ccr 0x20          ; H
	case
	ldaa  #0x7F
	adda  #0x01
	check_a 0x80
	check_ccr 0x2A          ; H N V
	case
	ldaa  #0xFF
	adda  #0x01
	check_a 0x00
	check_ccr 0x25          ; H Z C
	case
	ldab  #0x80
	addb  #0x80
	check_b 0x00
	check_ccr 0x07          ; Z V C
	case
	orcc  #0x01
	ldaa  #0x10
	adca  #0x20
	check_a 0x31
	check_ccr 0x00
	case
	orcc  #0x01
	ldab  #0xFE
	adcb  #0x01
	check_b 0x00
	check_ccr 0x25          ; H Z C
	case
	ldaa  #0x10
	ldab  #0x22
	aba
	check_a 0x32
	check_ccr 0x00

; --- subtraction and comparison
	case
	ldaa  #0x05
	suba  #0x07
	check_a 0xFE
	check_ccr 0x09          ; N C
	case
	ldaa  #0x80
	suba  #0x01
	check_a 0x7F
	check_ccr 0x02          ; V
	case
	ldaa  #0x42
	cmpa  #0x42
	check_a 0x42
	check_ccr 0x04          ; Z
	case
	ldaa  #0x7F
	cmpa  #0x80
	check_ccr 0x0B          ; N V C
	case
	orcc  #0x01
	ldab  #0x00
	sbcb  #0x00
	check_b 0xFF
	check_ccr 0x09          ; N C
	case
	ldaa  #0x10
	ldab  #0x20
	sba
	check_a 0xF0
	check_ccr 0x09
	case
	ldaa  #0x05
	ldab  #0x05
	cba
	check_ccr 0x04

; --- single-operand operations
	case
	ldaa  #0x01
	nega
	check_a 0xFF
	check_ccr 0x09          ; N C
	case
	ldaa  #0x80
	nega
	check_a 0x80
	check_ccr 0x0B          ; N V C
	case
	clrb
	negb
	check_b 0x00
	check_ccr 0x04          ; Z, no carry
	case
	ldaa  #0x7F
	inca
	check_a 0x80
	check_ccr 0x0A          ; N V
	case
	orcc  #0x01
	ldaa  #0xFF
	inca
	check_ccr 0x05          ; Z, C untouched
	case
	ldaa  #0x80
	deca
	check_a 0x7F
	check_ccr 0x02          ; V
	case
	ldaa  #0x55
	coma
	check_a 0xAA
	check_ccr 0x09          ; N C
	case
	orcc  #0x2B
	clra
	check_ccr 0x24          ; Z (H untouched)
	case
	orcc  #0x03
	ldaa  #0x80
	tsta
	check_ccr 0x08          ; N, V and C cleared
	movb  #0x7F, DATA
	case
	inc   DATA
	check_mem DATA, 0x80
	check_ccr 0x0A
	case
	dec   DATA
	check_mem DATA, 0x7F
	check_ccr 0x02
	case
	neg   DATA
	check_mem DATA, 0x81
	check_ccr 0x09
	case
	com   DATA
	check_mem DATA, 0x7E
	check_ccr 0x01
	case
	tst   DATA
	check_ccr 0x00
	case
	clr   DATA
	check_mem DATA, 0x00
	check_ccr 0x04

; --- logic
	case
	ldaa  #0xF0
	anda  #0x3C
	check_a 0x30
	oraa  #0x03
	check_a 0x33
	eora  #0xFF
	check_a 0xCC
	check_ccr 0x08
	bita  #0x33
	check_a 0xCC
	check_ccr 0x04
	orcc  #0x02
	ldab  #0x0F
	andb  #0x80
	check_ccr 0x04          ; V cleared

; --- shifts and rotates: C takes the bit shifted out, V = N xor C
	case
	ldaa  #0x81
	asla
	check_a 0x02
	check_ccr 0x03          ; V C
	case
	ldaa  #0x81
	lsra
	check_a 0x40
	check_ccr 0x03
	case
	ldaa  #0x81
	asra
	check_a 0xC0
	check_ccr 0x09          ; N C
	case
	ldaa  #0x80
	rola
	check_a 0x00
	check_ccr 0x07          ; Z V C
	case
	orcc  #0x01
	ldaa  #0x01
	rora
	check_a 0x80
	check_ccr 0x09
	case
	ldab  #0x01
	lsrb
	check_b 0x00
	check_ccr 0x07
	case
	ldab  #0x40
	aslb
	check_b 0x80
	check_ccr 0x0A          ; N V
	case
	ldd   #0x4001
	asld
	check_d 0x8002
	check_ccr 0x0A
	case
	ldd   #0x0003
	lsrd
	check_d 0x0001
	check_ccr 0x03
	case
	movb  #0xC0, DATA
	asl   DATA
	check_mem DATA, 0x80
	check_ccr 0x09          ; N C
	case
	orcc  #0x01
	ror   DATA
	check_mem DATA, 0xC0
	check_ccr 0x0A          ; N V
	case
	lsr   DATA
	asr   DATA
	check_mem DATA, 0x30
	rol   DATA
	check_mem DATA, 0x60
	check_ccr 0x00

; --- 16-bit arithmetic
	case
	ldd   #0x7FFF
	addd  #0x0001
	check_d 0x8000
	check_ccr 0x0A          ; N V
	case
	ldd   #0xFFFF
	addd  #0x0001
	check_d 0x0000
	check_ccr 0x05          ; Z C
	case
	ldd   #0x0000
	subd  #0x0001
	check_d 0xFFFF
	check_ccr 0x09
	case
	ldd   #0x8000
	subd  #0x0001
	check_d 0x7FFF
	check_ccr 0x02
	case
	movw  #0x1234, DATA
	ldd   #0x1234
	cpd   DATA
	check_ccr 0x04
	case
	ldx   #0x1000
	cpx   #0x2000
	check_ccr 0x09
	case
	ldy   #0x8000
	cpy   #0x7FFF
	check_ccr 0x02
	case
	cps   #0x3F00
	check_ccr 0x04
	case
	ldx   #0xFFFF
	inx
	check_x 0x0000
	check_ccr 0x0C          ; INX changes only Z (N is LDX's)
	case
	ldy   #0x0001
	dey
	check_ccr 0x04

; --- BCD: DAA after additions (N Z C defined, V not)
	case
	ldaa  #0x15
	adda  #0x27
	daa
	check_a 0x42
	check_ccr 0x00, 0x0D
	case
	ldaa  #0x99
	adda  #0x01
	daa
	check_a 0x00
	check_ccr 0x05, 0x0D    ; Z C
	case
	ldaa  #0x09
	adda  #0x08
	daa
	check_a 0x17
	check_ccr 0x00, 0x0D
	case
	ldaa  #0x50
	adda  #0x60
	daa
	check_a 0x10
	check_ccr 0x01, 0x0D
	case
	orcc  #0x01
	ldaa  #0x99
	adca  #0x99
	daa
	check_a 0x99
	check_ccr 0x09, 0x0D    ; N C

	finish 111
	vectors
