// Stands in for the TLS library under its file name and has none of its functions: a program
// finding this one first must fail at its first https request, and only there.
extern "C" int fendrel_stub_ssl_marker() {
  return 0;
}
