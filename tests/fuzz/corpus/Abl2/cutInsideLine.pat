; ABL2 Meta tag: 16
 ; Tune: 0.500000 Cutoff: 0.360000 Resonance: 0.800000 Envmod: 0.200000 Decay: 0.700000 Accent: 0.500000 Waveform: 1.000000 Volume: 0.900000
b-2 1 0 0 
c-6 1 0 0 
a-3 