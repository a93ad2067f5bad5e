; ABL3 Meta tag: 5
; Tune: 0.500000 Cutoff: 0.360000 Resonance: 0.800000 Envmod: 0.200000 Decay: 0.700000 Accent: 0.500000 Waveform: 1.000000 Volume: 0.900000
9 0 0 0 1 1 
-18 0 0 1 0 1 
19 0 0 0 0 1 
-8 0 0 0 1 1 
29 0 0 0 0 1 
