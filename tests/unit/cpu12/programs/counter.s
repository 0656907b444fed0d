; Counts in X for ever; `here` is where a breakpoint can stop it.
	.include "board.inc"
	.text
	.globl start
start:
	lds   #RAM_TOP
	ldx   #0
loop:	inx
here:	nop
	bra   loop
	vector 0xFFFE, start
