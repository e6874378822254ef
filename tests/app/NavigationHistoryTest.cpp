#include <gtest/gtest.h>

#include "app/NavigationHistory.h"

namespace kv {
namespace {

using Paths = std::vector<std::string>;

TEST(NavigationHistory, BackThenNewFocusAppendsWithoutCuttingOff) {
  TNavigationHistory h;
  EXPECT_FALSE(h.CanGoBack());
  EXPECT_FALSE(h.CanGoNext());
  h.AddToHistory("A\\");
  EXPECT_FALSE(h.CanGoBack());  // one entry: nowhere to go back to
  h.AddToHistory("B\\");
  h.AddToHistory("C\\");
  EXPECT_EQ(h.HistoryIndex(), 2);
  ASSERT_TRUE(h.CanGoBack());
  EXPECT_EQ(h.StepHistory(-1), "B\\");
  h.AddToHistory("B\\");  // the focus change the step caused
  EXPECT_EQ(h.History(), (Paths{"A\\", "B\\", "C\\"}));
  EXPECT_EQ(h.HistoryIndex(), 1);
  EXPECT_TRUE(h.CanGoNext());
  h.AddToHistory("D\\");
  EXPECT_EQ(h.History(), (Paths{"A\\", "B\\", "C\\", "D\\"}));
  EXPECT_EQ(h.HistoryIndex(), 3);
  EXPECT_FALSE(h.CanGoNext());
}

TEST(NavigationHistory, RevisitedPathIsAppendedAgain) {
  TNavigationHistory h;
  h.AddToHistory("A\\");
  h.AddToHistory("B\\");
  h.AddToHistory("A\\");
  EXPECT_EQ(h.History(), (Paths{"A\\", "B\\", "A\\"}));
  EXPECT_EQ(h.HistoryIndex(), 2);
}

TEST(NavigationHistory, StepThatLeadsNowhereDoesNotSwallowTheNextFocus) {
  TNavigationHistory h;
  h.AddToHistory("A\\");
  h.AddToHistory("B\\");
  h.StepHistory(-1);
  EXPECT_TRUE(h.HistoryStepping());
  h.StepLedNowhere();  // A was gone or already focused
  h.AddToHistory("C\\");
  EXPECT_EQ(h.History(), (Paths{"A\\", "B\\", "C\\"}));
  EXPECT_EQ(h.HistoryIndex(), 2);
}

}  // namespace
}  // namespace kv
