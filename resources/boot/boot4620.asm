; Resident boot loader of the KORV module, PIC18F4620: boot area 0..7FFh
; (1024 words), application from 800h, 64-byte blocks.
        list    p=18f4620
        #include <p18f4620.inc>
        errorlevel -302, -1301

        CONFIG  OSC = HS, FCMEN = OFF, IESO = OFF
        CONFIG  PWRT = ON, BOREN = SBORDIS, BORV = 2
        CONFIG  WDT = OFF, WDTPS = 1024
        CONFIG  CCP2MX = PORTC, PBADEN = OFF, LPT1OSC = OFF, MCLRE = ON
        CONFIG  STVREN = ON, LVP = OFF, XINST = OFF, DEBUG = OFF
        CONFIG  CP0 = OFF, CP1 = OFF, CP2 = OFF, CP3 = OFF, CPB = OFF, CPD = OFF
        CONFIG  WRT0 = OFF, WRT1 = OFF, WRT2 = OFF, WRT3 = OFF, WRTB = OFF, WRTC = OFF, WRTD = OFF
        CONFIG  EBTR0 = OFF, EBTR1 = OFF, EBTR2 = OFF, EBTR3 = OFF, EBTRB = OFF

APP_BASE    equ 0x800
FLASH_END   equ 0x10000
BLOCK_BYTES equ d'64'

        #include "korv_boot.inc"
        end
