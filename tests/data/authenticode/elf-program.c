/* The ELF program the code-sign tests sign and run: writes one line to the
   file named by its first argument, when there is one, and exits 0. */
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc > 1) {
    FILE* out = fopen(argv[1], "w");
    if (out == NULL) return 2;
    fputs("signed program ran\n", out);
    fclose(out);
  }
  return 0;
}
