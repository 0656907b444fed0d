; Every addressing mode: immediate, direct, extended, indexed with 5-, 9- and 16-bit constant
; offsets from X, Y, SP and PC, accumulator offsets, automatic pre/post increment and decrement,
; [16-bit, r] and [D, r] indirection; LEA, and MOVB/MOVW in their six forms.
	.include "common.inc"
TABLE = DATA            ; 512 bytes: TABLE[i] = i & 0xFF
PTR   = DATA + 0x300    ; a pointer for the indirect modes
MOVES = DATA + 0x320

	begin
	ldx   #TABLE
	clra
5:	staa  1,x+
	inca
	bne   5b
6:	staa  1,x+
	inca
	bne   6b
	check_x TABLE + 0x200

; --- direct (the register block at 0x0000-0x00FF) and extended
	ldaa  #0x3C
	staa  *0x01
	ldab  *0x01
	check_b 0x3C
	ldab  TABLE + 0x1AB
	check_b 0xAB
	ldd   TABLE + 0x17
	check_d 0x1718

; --- 5-bit constant offsets, both signs, from X, Y, SP
	ldx   #TABLE + 0x10
	ldaa  -16,x
	check_a 0x00
	ldaa  15,x
	check_a 0x1F
	ldy   #TABLE + 0x80
	ldab  -1,y
	check_b 0x7F
	ldd   4,y
	check_d 0x8485
	movb  #0x5A, 1,-sp
	ldaa  0,sp
	check_a 0x5A
	leas  1,sp
	check_sp RAM_TOP

; --- 9-bit and 16-bit constant offsets
	ldy   #TABLE + 0x100
	ldaa  -0x80,y
	check_a 0x80
	ldaa  0xFF,y
	check_a 0xFF
	ldaa  -0x100,y
	check_a 0x00
	ldx   #0
	ldaa  TABLE + 0x1C3,x
	check_a 0xC3
	ldx   #0x4000
	ldaa  TABLE + 0x55 - 0x4000,x
	check_a 0x55
	staa  TABLE + 0x400 - 0x4000,x
	check_mem TABLE + 0x400, 0x55

; --- accumulator offsets
	ldx   #TABLE
	ldaa  #0x20
	ldab  a,x
	check_b 0x20
	ldab  #0x33
	ldaa  b,x
	check_a 0x33
	ldd   #0x0145
	ldaa  d,x
	check_a 0x45
	ldy   #TABLE + 0x100
	ldd   #0xFF80           ; D as a negative offset
	ldaa  d,y
	check_a 0x80

; --- automatic increment and decrement
	ldx   #TABLE + 0x10
	ldaa  1,x+
	check_a 0x10
	check_x TABLE + 0x11
	ldaa  2,+x
	check_a 0x13
	check_x TABLE + 0x13
	ldaa  1,x-
	check_a 0x13
	check_x TABLE + 0x12
	ldaa  4,-x
	check_a 0x0E
	check_x TABLE + 0x0E
	ldaa  8,+x
	check_a 0x16
	ldaa  8,-x
	check_a 0x0E
	ldy   #TABLE + 0x40
	ldd   2,y+
	check_d 0x4041
	check_y TABLE + 0x42
	ldx   #MOVES
	movw  #0x1122, 2,x+
	movw  #0x3344, 2,x+
	check_x MOVES + 4
	ldd   2,-x
	check_d 0x3344
	ldd   2,-x
	check_d 0x1122

; --- indirect
	movw  #TABLE + 0x77, PTR
	ldx   #PTR - 4
	ldaa  [4,x]
	check_a 0x77
	ldy   #PTR
	ldd   #0
	ldaa  [d,y]
	check_a 0x77
	ldx   #PTR - 0x1234
	ldaa  [0x1234,x]
	check_a 0x77
	ldaa  #0x99
	ldx   #PTR
	staa  [0,x]
	check_mem TABLE + 0x77, 0x99

; --- PC as the base: the address after the postbyte (and its extension bytes)
	ldaa  2,pc              ; the byte after the BRA
	bra   7f
	.byte 0x96
7:	check_a 0x96
	leax  0,pc
8:	check_x 8b
	ldab  4,pc              ; the byte after the BRA below
	nop
	nop
	bra   9f
	.byte 0x69
9:	check_b 0x69

; --- LEA and the accumulator adds
	ldx   #0x1000
	leax  5,x
	check_x 0x1005
	leay  -2,x
	check_y 0x1003
	ldab  #0x10
	abx
	check_x 0x1015
	leay  b,y
	check_y 0x1013
	leas  -4,sp
	check_sp RAM_TOP - 4
	leas  4,sp
	leax  2,x+              ; the post-incremented register is the effective address
	check_x 0x1015
	leax  2,+x
	check_x 0x1017

; --- MOVB and MOVW, every form
	movb  #0x12, MOVES
	movw  #0x3456, MOVES + 1
	movb  MOVES, MOVES + 3
	movw  MOVES + 1, MOVES + 4
	check_mem MOVES + 3, 0x12
	check_memw MOVES + 4, 0x3456
	ldx   #MOVES
	movb  #0xAB, 6,x
	movw  #0xCDEF, 7,x
	check_mem MOVES + 6, 0xAB
	check_memw MOVES + 7, 0xCDEF
	movb  MOVES + 6, 9,x
	movw  MOVES + 7, 10,x
	check_mem MOVES + 9, 0xAB
	check_memw MOVES + 10, 0xCDEF
	movb  9,x, MOVES + 12
	movw  10,x, MOVES + 13
	check_mem MOVES + 12, 0xAB
	check_memw MOVES + 13, 0xCDEF
	ldx   #TABLE + 0x30
	ldy   #MOVES + 16
	ldab  #4
5:	movb  1,x+, 1,y+        ; a copy loop: idx to idx with post-increment
	dbne  b, 5b
	check_memw MOVES + 16, 0x3031
	check_memw MOVES + 18, 0x3233
	check_y MOVES + 20
	movw  2,x+, 2,y+
	check_memw MOVES + 20, 0x3435
	ldd   #2
	movb  d,x, a,y
	check_mem MOVES + 22, 0x38

	finish 62
	vectors
