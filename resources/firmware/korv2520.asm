; KORV module firmware for the PIC18F2520 (modupd2520, "DATAARRAY1"): the
; whole program memory image, reset vector at 0, written directly by ICSP.
        list    p=18f2520
        #include <p18f2520.inc>
        errorlevel -302, -1301

        CONFIG  OSC = HS, FCMEN = OFF, IESO = OFF
        CONFIG  PWRT = ON, BOREN = SBORDIS, BORV = 2
        CONFIG  WDT = OFF, WDTPS = 1024
        CONFIG  CCP2MX = PORTC, PBADEN = OFF, LPT1OSC = OFF, MCLRE = ON
        CONFIG  STVREN = ON, LVP = OFF, XINST = OFF, DEBUG = OFF
        CONFIG  CP0 = OFF, CP1 = OFF, CP2 = OFF, CP3 = OFF, CPB = OFF, CPD = OFF
        CONFIG  WRT0 = OFF, WRT1 = OFF, WRT2 = OFF, WRT3 = OFF, WRTB = OFF, WRTC = OFF, WRTD = OFF
        CONFIG  EBTR0 = OFF, EBTR1 = OFF, EBTR2 = OFF, EBTR3 = OFF, EBTRB = OFF

APP_BASE equ    0x000
#define LED_LAT  LATC
#define LED_TRIS TRISC
#define LED_BIT  2
VERSION_TEXT macro
        db      "VK9 KORV 2520 v4.3", 0
        endm

        #include "korv_app.inc"
        end
