; KORV module firmware for the PIC18F252 (modupd2520, "DATAARRAY"): the
; whole program memory image, reset vector at 0, written directly by ICSP.
        list    p=18f252
        #include <p18f252.inc>
        errorlevel -302, -1301

        CONFIG  OSC = HS, OSCS = OFF
        CONFIG  PWRT = ON, BOR = ON, BORV = 42
        CONFIG  WDT = OFF, WDTPS = 128
        CONFIG  CCP2MUX = ON, STVR = ON, LVP = OFF, DEBUG = OFF
        CONFIG  CP0 = OFF, CP1 = OFF, CP2 = OFF, CP3 = OFF, CPB = OFF, CPD = OFF
        CONFIG  WRT0 = OFF, WRT1 = OFF, WRT2 = OFF, WRT3 = OFF, WRTB = OFF, WRTC = OFF, WRTD = OFF
        CONFIG  EBTR0 = OFF, EBTR1 = OFF, EBTR2 = OFF, EBTR3 = OFF, EBTRB = OFF

APP_BASE equ    0x000
#define LED_LAT  LATC
#define LED_TRIS TRISC
#define LED_BIT  2
VERSION_TEXT macro
        db      "VK9 KORV 252 v4.3", 0
        endm

        #include "korv_app.inc"
        end
