#include "support/links.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kx {
namespace {

struct Recorder final : LinkOpener {
  std::vector<std::string> opened;
  bool fail = false;
  void Open(const std::string& address) override {
    if (fail) throw std::runtime_error("kein Browser");
    opened.push_back(address);
  }
};

TEST(LinksTest, AddressesWithoutSchemeGetHttpInFront) {
  EXPECT_EQ(basMail::LinkAddress("www.korvalinx.de/assistent/"),
            "http://www.korvalinx.de/assistent/");
  EXPECT_EQ(basMail::LinkAddress("HTTP://WWW.KORVALINX.DE"), "HTTP://WWW.KORVALINX.DE");
  EXPECT_EQ(basMail::LinkAddress("https://korvalinx.de"), "https://korvalinx.de");
  EXPECT_EQ(basMail::LinkAddress(""), "http://");
}

TEST(LinksTest, OpenLinkReportsOnlyItsOwnFailure) {
  Recorder links;
  EXPECT_TRUE(basMail::OpenLink(links, "korvalinx.de"));
  EXPECT_EQ(links.opened, std::vector<std::string>{"http://korvalinx.de"});
  links.fail = true;
  EXPECT_FALSE(basMail::OpenLink(links, "korvalinx.de"));
}

}  // namespace
}  // namespace kx
