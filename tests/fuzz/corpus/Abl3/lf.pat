; ABL3 Meta tag: 3
; Triplet: 0.000000 Shuffle: 0.000000 
0 0 0 0 0 1
5 1 0 1 0 1
9 0 0 0 1 0
