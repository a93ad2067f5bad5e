; ABL2 Meta tag: 16
 ; Tune: 0.500000 Cutoff: 0.360000 Resonance: 0.800000 Envmod: 0.200000 Decay: 0.700000 Accent: 0.500000 Waveform: 1.000000 Volume: 0.900000
b-2 1 0 0 
c-6 1 0 0 
a-3 1 1 0 
a#6 1 0 1 
g-4 1 0 0 
e-2 1 1 0 
f-5 1 0 0 
d-3 1 0 1 
d#6 1 1 0 
c-4 1 0 0 
c#2 1 0 0 
a#4 1 1 1 
g-2 1 0 0 
g#5 1 0 0 
f-3 1 1 0 
f#6 1 0 1 
