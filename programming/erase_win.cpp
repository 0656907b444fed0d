#include "programming/erase_win.h"

#include "programming/erase.h"

int mass_erase(HWND owner) {
  if (MessageBoxA(owner,
                  "This Command will erase ENTIRE flash memory and EEPROM in target\rARE YOU "
                  "SURE?",
                  "Mass Erase", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
    return 0;
  return mass_erase_confirmed() ? 1 : 0;
}
