#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include "Harness.h"
#include "app/Controls.h"

namespace {

using test::FormTest;

TEST_F(FormTest, StartsWithDesignedValues) {
  create();
  EXPECT_EQ(form->windowTitle(), "Korvane");
  EXPECT_EQ(form->PageControl1->currentIndex(), 0);
  EXPECT_EQ(form->Edit5->text(), "125");
  EXPECT_EQ(form->Edit1->currentText(), "1");
  EXPECT_EQ(form->ComboBox2->currentText(), "1");
  EXPECT_EQ(form->ComboBox1->count(), 2);
  EXPECT_EQ(form->KeyList->count(), 128);
  EXPECT_EQ(form->GatePattern->count(), 4);
}

}  // namespace
