// The one place the version is written: the program's version resource and
// the setup program (./orbelle package reads these two lines) take it from here.
#define ORBELLE_VERSION_NUMBERS 2,1,0,0
#define ORBELLE_VERSION_TEXT "2.01"
