; ABL3 Meta tag: 4
; Tune: 0.250000 Cutoff: 0.500000 Resonance: 0.500000 Envmod: 0.500000 Decay: 0.500000 Accent: 0.500000 Waveform: 0.000000 Volume: 0.800000 
2 1 0 0 0 1
14 0 0 1 1 1
7 0 1 0 0 0
-3 0 0 0 1 1
