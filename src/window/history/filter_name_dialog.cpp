#include "window/history/filter_name_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace brenvik {

TfrmFilterName::TfrmFilterName(QWidget* parent) : QDialog(parent) {
  setObjectName("TfrmFilterName");
  setWindowTitle("Enter Filter Name");
  setFixedSize(300, 110);
  auto* label = new QLabel("Filter Name:", this);
  label->setGeometry(12, 10, 276, 18);
  edit_ = new QLineEdit(this);
  edit_->setObjectName("Edit1");
  edit_->setGeometry(12, 30, 276, 24);
  auto* ok = new QPushButton("&Ok", this);
  ok->setGeometry(112, 70, 84, 26);
  ok->setDefault(true);
  auto* cancel = new QPushButton("&Cancel", this);
  cancel->setGeometry(204, 70, 84, 26);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(edit_, &QLineEdit::returnPressed, this, &QDialog::accept);
}

}  // namespace brenvik
