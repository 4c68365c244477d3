; KORV module application for the PIC18F4620 (modupd4620, "DATAARRAY1").
; The resident boot loader owns words 0..1023; the application starts at
; byte address 0x800, where the loader hands over after reset, and keeps its
; interrupt vectors at 0x808 / 0x818 where the loader redirects them.
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

APP_BASE equ    0x800
#define LED_LAT  LATD
#define LED_TRIS TRISD
#define LED_BIT  0
VERSION_TEXT macro
        db      "KORV 4620 v3.6", 0
        endm

        #include "korv_app.inc"
        end
