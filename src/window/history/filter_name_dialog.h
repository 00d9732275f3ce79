// TfrmFilterName: the small fixed dialog that asks for a filter's name
// ("Filter Name:" over Edit1, "&Ok" and "&Cancel"; Enter means Ok).
#pragma once

#include <QDialog>

class QLineEdit;

namespace brenvik {

class TfrmFilterName : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmFilterName(QWidget* parent = nullptr);
  QLineEdit* Edit1() const { return edit_; }

 private:
  QLineEdit* edit_;
};

}  // namespace brenvik
