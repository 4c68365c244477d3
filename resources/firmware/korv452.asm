; KORV module application for the PIC18F452 (modupd4620, "DATAARRAY").
; The resident boot loader owns words 0..383; the application starts at byte
; address 0x300 with its interrupt vectors at 0x308 / 0x318.
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

APP_BASE equ    0x300
#define LED_LAT  LATD
#define LED_TRIS TRISD
#define LED_BIT  0
VERSION_TEXT macro
        db      "KORV 452 v3.6", 0
        endm

        #include "korv_app.inc"
        end
