#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/title.h"

namespace {

std::string title(int type, int connected, int port, int clock, int known, const char* name) {
  TitleState s = {type, connected, port, clock, known, name};
  char text[kTitleSize];
  return compose_title(s, text, sizeof text);
}

TEST(Title, StartUpDefaults) {
  EXPECT_EQ(title(0, 0, 0, 8000, 0, "unknown"),
            "Corvane's Test Bench - Adapter: R41, Not Connected, No target MPU selected");
}

TEST(Title, ConnectedSerialAndUsb) {
  EXPECT_EQ(title(0, 1, 0, 8000, 1, "MC9S12DG256"),
            "Corvane's Test Bench - Adapter: R41, Connection: COM1, Target Clock: 8,0 MHz, "
            "Target MPU: 'MC9S12DG256'");
  EXPECT_EQ(title(1, 1, -1, -1, 1, "MC9S12A128"),
            "Corvane's Test Bench - Adapter: R42, Connection: (USB), Target Clock:(Auto), "
            "Target MPU: 'MC9S12A128'");
}

TEST(Title, PortAndClockFragments) {
  EXPECT_NE(title(0, 1, 2, 4000, 0, nullptr).find(", Connection: COM3, Target Clock: 4,0 MHz,"),
            std::string::npos);
  // The remainder is printed without leading zeros.
  EXPECT_NE(title(1, 1, -1, 2500, 0, nullptr).find(" (USB), Target Clock: 2,500 MHz"),
            std::string::npos);
  EXPECT_NE(title(1, 1, -1, 500, 0, nullptr).find("Target Clock: 0,500 MHz"), std::string::npos);
  EXPECT_NE(title(0, 1, 127, 4000, 0, nullptr).find(" COM128,"), std::string::npos);
}

TEST(Title, NotConnectedShowsNoPortOrClockWhateverTheSettings) {
  EXPECT_EQ(title(1, 0, -1, -1, 1, "XF"),
            "Corvane's Test Bench - Adapter: R42, Not Connected, Target MPU: 'XF'");
}

TEST(Title, ModelsAndUnknownTypes) {
  EXPECT_NE(title(2, 0, 0, 0, 0, nullptr).find("Adapter: R43, Not"), std::string::npos);
  EXPECT_EQ(title(-1, 0, 0, 0, 0, nullptr),
            "Corvane's Test Bench - Adapter: , Not Connected, No target MPU selected");
  EXPECT_EQ(title(3, 0, 0, 0, 0, nullptr), title(-1, 0, 0, 0, 0, nullptr));
}

TEST(Title, UnknownDerivativeIsNotNamed) {
  EXPECT_EQ(title(0, 0, 0, 8000, 0, "MC9S12DG256").find("MC9S12DG256"), std::string::npos);
}

TEST(Title, SmallBuffersAreCutNeverOverrun) {
  TitleState s = {0, 1, 0, 8000, 1, "MC9S12DG256"};
  char text[24];
  std::memset(text, 'x', sizeof text);
  compose_title(s, text, 20);
  EXPECT_EQ(std::string(text), "Corvane's Test Benc");
  EXPECT_EQ(text[20], 'x');
  // A name longer than a derivative name can be is cut at 31 characters.
  const std::string longname(60, 'A');
  EXPECT_NE(title(0, 0, 0, 0, 1, longname.c_str()).find("'" + std::string(31, 'A') + "'"),
            std::string::npos);
}

}  // namespace
