#include "wizard/info_dialog.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/product.hpp"

namespace kx::wizard {
namespace {

struct Links final : LinkOpener {
  std::vector<std::string> opened;
  void Open(const std::string& address) override { opened.push_back(address); }
};

TEST(InfoDialogTest, ShowsTheProductAndOpensItsPages) {
  Links links;
  InfoDialog info(links);
  info.Load();
  info.Show();
  EXPECT_EQ(info.Caption(), "Korvalinx Info");
  EXPECT_EQ(info.lblInfo1.Caption(), "Korvalinx (Version 1.1.0024)");
  EXPECT_EQ(info.lblInfo2.Caption(),
            "COM Addin zur Erstellung von Ressourcendiagrammen und Urlaubsplänen");
  EXPECT_EQ(info.lblInfo4.Caption(), "");
  EXPECT_EQ(info.lblWeb.Caption(), info.lblWeb.ToolTip());
  EXPECT_EQ(info.cmdOK.ToolTip(), "Klicken Sie hier, um den Dialog zu verlassen.");

  EXPECT_TRUE(info.lblWeb.Click());
  EXPECT_TRUE(info.imgLogo.Click());
  EXPECT_EQ(links.opened, (std::vector<std::string>{forms::kProductPage, forms::kMakerPage}));

  EXPECT_TRUE(info.cmdOK.Click());
  EXPECT_FALSE(info.Loaded());
  EXPECT_FALSE(info.Visible());
}

TEST(InfoDialogTest, TheLinkIsUnderlinedWhileThePointerIsOverIt) {
  Links links;
  InfoDialog info(links);
  info.Load();
  int changes = 0;
  info.Subscribe([&](const forms::Control* c, forms::Property p) {
    if (c == &info.lblWeb && p == forms::Property::FontUnderline) ++changes;
  });
  info.lblWeb.MouseMove();
  info.lblWeb.MouseMove();  // within the link: no toggling
  EXPECT_TRUE(info.lblWeb.FontUnderline());
  info.lblInfo6.MouseMove();  // another label keeps it
  EXPECT_TRUE(info.lblWeb.FontUnderline());
  info.MouseMove();  // the background
  info.MouseMove();
  EXPECT_FALSE(info.lblWeb.FontUnderline());
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace kx::wizard
