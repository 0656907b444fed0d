// Message-pane texts that more than one programming or erasing step writes: one definition each.
#pragma once

constexpr char kNoEepromTimingText[] = "Cannot determine EEPROM timing, please check target setup";
constexpr char kNoFlashTimingText[] = "Cannot determine Flash timing, please check target setup";
constexpr char kWritingIniteeText[] = "Writing INITEE";
constexpr char kWritingInitrmText[] = "Writing INITRM";
constexpr char kSectorFailureFormat[] = "Sector: %X, data: %X";
constexpr char kBlockProgrammedFormat[] = "Block 0x%2.2X programmed";
constexpr char kBlockBlankFormat[] = "Block 0x%2.2X is blank";
constexpr char kFailedErasingEepromText[] = "Failed erasing EEPROM";
