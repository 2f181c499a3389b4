#include "mainwindow/command_context.h"

#include <QAction>
#include <QApplication>
#include <exception>

#include "platform/error_text.h"

namespace quorvel {
namespace {

const QString kTitle = QStringLiteral("Quorvel");

}  // namespace

void RunGuarded(const CommandContext& context, const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& error) {
    ShowError(context, ErrorText(error));
  }
}

void ShowError(const CommandContext& context, const QString& text) {
  context.prompts.Error(context.window, kTitle, text);
}

bool ChangeAllowed(const CommandContext& context) {
  bool allowed = false;
  RunGuarded(context, [&] {
    context.document.RequireChangeable();
    allowed = true;
  });
  return allowed;
}

QAction* MakeCommand(QObject* owner, const char* name, const QString& text) {
  auto* action = new QAction(text, owner);
  action->setObjectName(QString::fromLatin1(name));
  action->setEnabled(false);
  return action;
}

void FollowState(const CommandContext& context, QObject* owner, std::function<void()> update) {
  QObject::connect(context.state_changed, &CommandStateSignal::Changed, owner, update);
  CatalogDocument& document = context.document;
  const int listener = document.AddListener([update](DocumentChange) { update(); });
  // The document outlives the window and its handlers.
  QObject::connect(owner, &QObject::destroyed,
                   [&document, listener] { document.RemoveListener(listener); });
  update();
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace quorvel
