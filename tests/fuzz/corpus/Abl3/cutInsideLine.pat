; ABL3 Meta tag: 16
; Tune: 0.500000 Cutoff: 0.360000 Resonance: 0.800000 Envmod: 0.200000 Decay: 0.700000 Accent: 0.500000 Waveform: 1.000000 Volume: 0.900000
-13 0 0 0 0 1 
24 0 0 0 0 1 
-3 0 0 0 1 1 
34 0