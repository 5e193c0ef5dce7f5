#include "app/ExitPrompt.h"

#include <QMessageBox>

namespace tavrilo {

bool askExit(QWidget* parent) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Exit Tavrilo"),
                    QStringLiteral("Exit Tavrilo Synth?"), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setObjectName(QStringLiteral("exitPrompt"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace tavrilo
