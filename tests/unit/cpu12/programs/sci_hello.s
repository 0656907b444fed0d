; Prints "hello\n" over SCI0 at 9600 baud, polling TDRE, waits for TC and stops with BGND.
	.include "board.inc"
	.text
	.globl start
start:
	lds   #RAM_TOP
	sci0_on TE
	ldx   #text
next:	ldab  1,x+
	beq   sent
1:	brclr SCI0SR1, #TDRE, 1b
	stab  SCI0DRL
	bra   next
sent:	brclr SCI0SR1, #TC, sent
	bgnd
text:	.asciz "hello\n"
	vector 0xFFFE, start
