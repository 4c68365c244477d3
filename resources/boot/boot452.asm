; Resident boot loader of the KORV module, PIC18F452: boot area 0..2FFh
; (384 words), application from 300h, 8-byte blocks.
        list    p=18f452
        #include <p18f452.inc>
        errorlevel -302, -1301

        CONFIG  OSC = HS, OSCS = OFF
        CONFIG  PWRT = ON, BOR = ON, BORV = 42
        CONFIG  WDT = OFF, WDTPS = 128
        CONFIG  CCP2MUX = ON, STVR = ON, LVP = OFF, DEBUG = OFF
        CONFIG  CP0 = OFF, CP1 = OFF, CP2 = OFF, CP3 = OFF, CPB = OFF, CPD = OFF
        CONFIG  WRT0 = OFF, WRT1 = OFF, WRT2 = OFF, WRT3 = OFF, WRTB = OFF, WRTC = OFF, WRTD = OFF
        CONFIG  EBTR0 = OFF, EBTR1 = OFF, EBTR2 = OFF, EBTR3 = OFF, EBTRB = OFF

APP_BASE    equ 0x300
FLASH_END   equ 0x8000
BLOCK_BYTES equ d'8'

        #include "korv_boot.inc"
        end
