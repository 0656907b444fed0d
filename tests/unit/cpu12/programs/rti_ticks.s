; Counts RTI interrupts in TICKS (a word), waiting for each with WAI.
	.include "board.inc"
TICKS = DATA
	.text
	.globl start
start:
	lds   #RAM_TOP
	movw  #0, TICKS
	movb  #0x23, RTICTL     ; (3 + 1) x 2^11 oscillator clocks: 1.024 ms at 8 MHz
	movb  #RTIE, CRGINT
	cli
idle:	wai
	bra   idle
on_rti:	movb  #RTIF, CRGFLG
	ldx   TICKS
	inx
	stx   TICKS
	rti
	vector 0xFFF0, on_rti
	vector 0xFFFE, start
