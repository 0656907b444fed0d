; Table lookup and interpolation (TBL, ETBL) and the fuzzy-logic instructions (MEM, REV, REVW,
; WAV followed by EDIV).
	.include "common.inc"
FUZZY = DATA            ; inputs at +0 +1 +2, outputs at +3 +4
	begin

; --- TBL, ETBL: Y1 + B/256 * (Y2 - Y1)
	ldx   #up8
	ldab  #0x80
	tbl   0,x
	check_a 0x30
	ldab  #0x40
	tbl   0,x
	check_a 0x20
	ldx   #down8
	ldab  #0xC0
	tbl   0,x
	check_a 0x20
	ldab  #0
	tbl   0,x
	check_a 0x50
	check_ccr 0x00, 0x0D
	ldx   #steps8
	ldab  #0x80
	tbl   1,x+              ; a table walked with automatic increment
	check_a 0x08
	tbl   0,x
	check_a 0x20
	ldx   #up16
	ldab  #0x80
	etbl  0,x
	check_d 0x1800
	ldx   #down16
	ldab  #0x40
	etbl  0,x
	check_d 0x1C00
	check_ccr 0x00, 0x0C
; the fraction is dropped, not rounded; C: it was one half or more
	ldx   #half8
	ldab  #0x80
	tbl   0,x               ; 10 + 7.5
	check_a 0x11
	check_ccr 0x01, 0x0D
	ldx   #fall8
	ldab  #0xC0
	tbl   0,x               ; 0x13 - 2.25
	check_a 0x10
	check_ccr 0x01, 0x0D
	ldx   #half16
	ldab  #0x80
	etbl  0,x               ; 0x0100 + 1.5
	check_d 0x0101
	check_ccr 0x01, 0x0D

; --- MEM: grades of membership of the input A in three trapezoids
	ldx   #shapes
	ldy   #FUZZY
	ldaa  #0x30
	mem                     ; (0x30 - 0x20) * 4 = 0x40
	mem                     ; below the second shape: 0
	mem                     ; vertical sides: 0xFF
	check_x shapes + 12
	check_y FUZZY + 3
	check_mem FUZZY, 0x40
	check_mem FUZZY + 1, 0x00
	check_mem FUZZY + 2, 0xFF
	ldx   #shapes
	ldaa  #0x7C
	mem                     ; min(0x5C * 4, (0x80 - 0x7C) * 8) = 0x20
	check_mem FUZZY + 3, 0x20
	ldx   #shapes
	ldaa  #0x50
	mem                     ; min(0xC0, 0x180) = 0xC0
	check_mem FUZZY + 4, 0xC0

; --- REV: in0 and in1 -> out0; in1 and in2 -> out0, out1; in1 -> out1
	movb  #0x40, FUZZY
	movb  #0x80, FUZZY + 1
	movb  #0x20, FUZZY + 2
	movw  #0, FUZZY + 3
	ldx   #rules
	ldy   #FUZZY
	ldaa  #0xFF             ; and V cleared: antecedents first
	rev
	check_mem FUZZY + 3, 0x40
	check_mem FUZZY + 4, 0x80
	check_x rules_end
	check_y FUZZY

; --- REVW: the same rules by address, unweighted (C clear) and weighted (C set)
	movw  #0, FUZZY + 3
	ldx   #rules_w
	ldy   #weights
	ldaa  #0xFF
	andcc #0xFE
	revw
	check_mem FUZZY + 3, 0x40
	check_mem FUZZY + 4, 0x80
	check_x rules_w_end
	check_y weights
	movw  #0, FUZZY + 3
	ldx   #rules_w
	ldaa  #0xFF
	orcc  #0x01
	revw
	check_mem FUZZY + 3, 0x20
	check_mem FUZZY + 4, 0x40
	check_y weights + 3

; --- WAV then EDIV: the weighted average of three singletons
	ldx   #singletons
	ldy   #grades
	ldab  #3
	wav
	check_y 0x0000
	check_d 0x1A00          ; 0x10*0x40 + 0x20*0x80 + 0x30*0x20
	check_x 0x00E0          ; 0x40 + 0x80 + 0x20
	ediv
	check_y 0x001D
	check_d 0x00A0

	finish 39

up8:	.byte 0x10, 0x50
down8:	.byte 0x50, 0x10
steps8:	.byte 0x00, 0x10, 0x30
up16:	.word 0x1000, 0x2000
down16:	.word 0x2000, 0x1000
half8:	.byte 10, 25
fall8:	.byte 0x13, 0x10
half16:	.word 0x0100, 0x0103
shapes:	.byte 0x20, 0x80, 0x04, 0x08
	.byte 0x40, 0x90, 0x10, 0x10
	.byte 0x10, 0x40, 0x00, 0x00
rules:	.byte 0, 1, 0xFE, 3, 0xFE
	.byte 1, 2, 0xFE, 3, 4, 0xFE
	.byte 1, 0xFE, 4, 0xFF
rules_end:
rules_w:
	.word FUZZY, FUZZY + 1, 0xFFFE, FUZZY + 3, 0xFFFE
	.word FUZZY + 1, FUZZY + 2, 0xFFFE, FUZZY + 3, FUZZY + 4, 0xFFFE
	.word FUZZY + 1, 0xFFFE, FUZZY + 4, 0xFFFF
rules_w_end:
weights:	.byte 0x80, 0x40, 0x80
singletons:	.byte 0x10, 0x20, 0x30
grades:	.byte 0x40, 0x80, 0x20
	vectors
