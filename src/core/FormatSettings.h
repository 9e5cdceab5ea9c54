#ifndef FENDREL_CORE_FORMATSETTINGS_H
#define FENDREL_CORE_FORMATSETTINGS_H

// The process-wide number format. The decimal separator starts as the user's locale
// has it (at the first use) and is what every text-to-number conversion expects.
char16_t DecimalSeparator();
void SetDecimalSeparator(char16_t separator);

#endif
