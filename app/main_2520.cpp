// modupd2520: modules built on a PIC18F2520 or PIC18F252.
#include "app/AppWindows.h"

int main(int argc, char** argv) { return korv::RunApplication(argc, argv, korv::kProfile2520); }
