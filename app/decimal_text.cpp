// Decimal text of a signed 64-bit value, without the compiler's 64-bit division.
#include "app/decimal_text.h"

// Divides the 64-bit magnitude by 10 in four 16-bit steps, so that no 64-bit
// division routine of the compiler's library is linked in; the remainder is
// the next digit.
static unsigned DivideByTen(uint64_t* magnitude) {
  uint32_t remainder = 0;
  uint64_t quotient = 0;
  for (int shift = 48; shift >= 0; shift -= 16) {
    uint32_t part = (remainder << 16) | (uint32_t)((*magnitude >> shift) & 0xFFFF);
    quotient |= (uint64_t)(part / 10) << shift;
    remainder = part % 10;
  }
  *magnitude = quotient;
  return remainder;
}

char* DecimalText(int64_t value, char* out) {
  // Work on the magnitude as unsigned, so the most negative value has one too.
  uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;
  char digits[20];
  int n = 0;
  do {
    digits[n++] = (char)('0' + DivideByTen(&magnitude));
  } while (magnitude);
  char* p = out;
  if (value < 0) *p++ = '-';
  while (n) *p++ = digits[--n];
  *p = 0;
  return out;
}
