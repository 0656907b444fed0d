; A firmware test for the bench: adds up the bytes of a table, leaves the 16-bit sum in D and
; in RAM at 0x1000, and stops with BGND. Runs on every catalogue part with RAM at 0x1000
; (MC9S12DG256, the simulated part's default, among them).
;
;   corvane test examples/checksum.s19 --expect D=0210 --expect-mem 1000=0210
;
; Rebuild the S-record (m68hc11 binutils, as the tests use them):
;   m68hc11-as -m68hc12 -o checksum.o checksum.s
;   m68hc11-ld -m m68hc12elf -T checksum.ld -o checksum.elf checksum.o
;   m68hc11-objcopy -O srec checksum.elf checksum.s19

SUM = 0x1000            ; the result in RAM

	.text
	.globl start
start:
	lds   #0x3F00
	movw  #0, SUM
	ldx   #table
next:
	clra
	ldab  1,x+          ; the next byte, widened to 16 bits
	addd  SUM
	std   SUM
	cpx   #table_end
	bne   next
	ldd   SUM           ; the sum in D as well
	bgnd

table:                  ; 1, 2, ..., 32: the sum is 528 (0x0210)
	.byte 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16
	.byte 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32
table_end:

	.section .vectors
	.word start         ; reset vector at 0xFFFE
