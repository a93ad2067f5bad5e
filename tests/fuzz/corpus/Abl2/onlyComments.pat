; ABL2 Meta tag: 16
 ; Tune: 0.5 Cutoff: 0.5 Resonance: 0.5 Envmod: 0.5 Decay: 0.5 Accent: 0.5 Waveform: 0.5 Volume: 0.5
