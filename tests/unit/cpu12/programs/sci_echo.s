; Sends back every byte SCI0 receives, up to and with a newline, then stops with BGND.
	.include "board.inc"
	.text
	.globl start
start:
	lds   #RAM_TOP
	sci0_on TE|RE
1:	brclr SCI0SR1, #RDRF, 1b
	ldab  SCI0DRL
2:	brclr SCI0SR1, #TDRE, 2b
	stab  SCI0DRL
	cmpb  #10
	bne   1b
3:	brclr SCI0SR1, #TC, 3b
	bgnd
	vector 0xFFFE, start
