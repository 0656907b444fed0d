; Spins with known registers until the timer overflows (prescaler 1) and stops with BGND in
; the overflow handler, the interrupt frame on the stack.
	.include "board.inc"
	.text
	.globl start
start:
	lds   #RAM_TOP
	movb  #TOI, TSCR2
	movb  #TEN, TSCR1
	ldx   #0x1111
	ldy   #0x2222
	ldd   #0x3344
	cli
spin:	bra   spin
on_overflow:
	bgnd
	vector 0xFFDE, on_overflow
	vector 0xFFFE, start
