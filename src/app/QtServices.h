// The real dialogs and message boxes.
#pragma once

#include <QFileDialog>
#include <QPointer>
#include <memory>

#include "app/Services.h"

namespace app {

/// Qt file dialogs (one per FileDialog, each remembering its last file) and message boxes.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr);
  ~QtDialogs() override;
  void setParent(QWidget* parent) { parent_ = parent; }
  /// From now on boxes go to standard error and file dialogs answer "cancelled": Korvane is
  /// ending and waits for nobody.
  void toStandardError() { quiet_ = true; }
  std::optional<std::string> openFile(FileDialog which) override;
  void message(const std::string& text) override;
  void error(const std::string& text) override;

 private:
  QWidget* parent_;
  bool quiet_ = false;
  // The window deletes the dialogs it parents when it goes first; QPointer notices that.
  QPointer<QFileDialog> dialogs_[3];
};

/// Title and filters of each dialog.
struct DialogTexts {
  const char* title;
  const char* filters;  ///< Qt filter string, ";;" between entries
};
DialogTexts dialogTexts(FileDialog which);

}  // namespace app
