; ABL2 Meta tag: 5
 ; Tune: 0.500000 Cutoff: 0.360000 Resonance: 0.800000 Envmod: 0.200000 Decay: 0.700000 Accent: 0.500000 Waveform: 1.000000 Volume: 0.900000
a-4 1 1 0 
f#2 1 0 1 
g-5 1 0 0 
e-3 1 1 0 
f-6 1 0 0 
