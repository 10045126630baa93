#include "app/decimal_text.h"

char* DecimalText(int64_t value, char* out) {
  // Work on the magnitude as unsigned, so the most negative value has one too.
  uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;
  char digits[20];
  int n = 0;
  do {
    digits[n++] = (char)('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  char* p = out;
  if (value < 0) *p++ = '-';
  while (n) *p++ = digits[--n];
  *p = 0;
  return out;
}
