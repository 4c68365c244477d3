// modupd4620: modules built on a PIC18F4620 or PIC18F452.
#include "app/AppWindows.h"

int main(int argc, char** argv) { return korv::RunApplication(argc, argv, korv::kProfile4620); }
