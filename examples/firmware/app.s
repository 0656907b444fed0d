; An example firmware for the bench, as an HCS12 board runs it (MC9S12DG256, 8 MHz oscillator,
; 4 MHz bus, no PLL): it adds up the bytes of its greeting into a checksum, says the greeting
; over SCI0 at 9600 baud, then sleeps in WAI while the real-time interrupt counts ticks, and
; stops with BGND at `done` once TICKS ticks have passed. Its three tests (CMakeLists.txt):
; the text SCI0 sent, the tick count at `done`, and the checksum at `summed`.
;
;   m68hc11-as -m68hc12 -o app.o app.s
;   m68hc11-ld -m m68hc12elf -T app.ld -o app.elf app.o

; Registers (MC9S12DG256 data sheet)
CRGFLG  = 0x0037        ; RTIF 7: a real-time interrupt is pending; cleared by writing 1
CRGINT  = 0x0038        ; RTIE 7
RTICTL  = 0x003B        ; RTR[6:4] = M, RTR[3:0] = N: period (N + 1) * 2^(M + 9) oscillator clocks
SCI0BDH = 0x00C8        ; SBR, 13 bits over SCI0BDH:SCI0BDL: baud = bus clock / (16 * SBR)
SCI0CR1 = 0x00CA
SCI0CR2 = 0x00CB        ; TE 3
SCI0SR1 = 0x00CC        ; TDRE 7, TC 6
SCI0DRL = 0x00CF

RTIF    = 0x80
RTIE    = 0x80
TE      = 0x08
TDRE    = 0x80
TC      = 0x40

SBR_9600 = 26           ; 4000000 / (16 * 9600) = 26.04: 9615 baud, 0.2 % fast
RTI_1MS  = 0x40         ; M = 4, N = 0: 2^13 clocks of the 8 MHz oscillator, 1.024 ms
TICKS    = 100          ; how long the firmware idles: 100 ticks, about 102 ms

	.sect .text
	.globl start
start:
	lds   #0x4000               ; the stack at the top of RAM (0x1000-0x3FFF)
	movw  #0, ticks

; The checksum: the 16-bit sum of the greeting's bytes.
	ldx   #message
	ldd   #0
sum:
	addb  1,x+
	adca  #0
	cpx   #message_end
	bne   sum
	std   checksum
	.globl summed
summed:

; The greeting over SCI0: 9600 baud, 8 data bits, no parity, transmitter on; each byte
; written to SCI0DRL once TDRE says the data register is empty.
	movw  #SBR_9600, SCI0BDH
	clr   SCI0CR1
	movb  #TE, SCI0CR2
	ldx   #message
send:
	brclr SCI0SR1, #TDRE, send
	ldab  1,x+
	stab  SCI0DRL
	cpx   #message_end
	bne   send
sent:
	brclr SCI0SR1, #TC, sent    ; the last stop bit has left

; Idle until TICKS real-time interrupts have been counted.
	movb  #RTI_1MS, RTICTL
	movb  #RTIF, CRGFLG         ; nothing pending from before
	bset  CRGINT, #RTIE
	cli
idle:
	wai
	ldd   ticks
	cpd   #TICKS
	blo   idle
	sei
	bclr  CRGINT, #RTIE
	.globl done
done:
	bgnd
	bra   done

; The real-time interrupt: one tick.
	.globl rti_tick
rti_tick:
	movb  #RTIF, CRGFLG
	ldd   ticks
	addd  #1
	std   ticks
	rti

; Any other interrupt is a fault of this firmware: it stops where the debugger sees it.
unexpected:
	bgnd
	bra   unexpected

message:
	.ascii "hello, world\n"
message_end:

	.sect .bss
	.globl ticks, checksum
ticks:
	.skip 2
checksum:
	.skip 2

	.sect .vectors, "a"
	.word rti_tick              ; 0xFFF0 real-time interrupt
	.word unexpected            ; 0xFFF2 IRQ
	.word unexpected            ; 0xFFF4 XIRQ
	.word unexpected            ; 0xFFF6 SWI
	.word unexpected            ; 0xFFF8 unimplemented opcode trap
	.word unexpected            ; 0xFFFA COP failure
	.word unexpected            ; 0xFFFC clock monitor failure
	.word start                 ; 0xFFFE reset
