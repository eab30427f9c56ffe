#pragma once

// Settings of the process that loading a vault depends on for its speed, applied at the very
// start of main(), before anything else runs. Both keep every result the same.
//
// - Large memory pages: a load builds tens of megabytes of records, and on some systems (virtual
//   machines among them) each fresh 4 KiB page costs tens of microseconds to fault in. The C
//   library uses 2 MiB pages for the heap when asked through its tunables, which are read only
//   when a program starts: the process starts itself once more with them set.
// - The local time zone: Qt asks the C library to re-check the zone before every local-time
//   conversion, which without TZ means examining /etc/localtime each time, thousands of times
//   per load. Naming the zone file once keeps the same zone without the checks (a change of the
//   system's zone then takes effect at the next start).
//
// `argv` must be main()'s own, unchanged.
void prepareProcess(char* argv[]);
