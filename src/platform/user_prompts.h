// The questions and notices that windows put to the user, behind one seam, so that tests can
// answer in place of a person.
#ifndef QUORVEL_PLATFORM_USER_PROMPTS_H_
#define QUORVEL_PLATFORM_USER_PROMPTS_H_

#include <QString>

class QWidget;

namespace quorvel {

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // A warning with one OK button, modal over `parent` (which may be hidden or null).
  virtual void Warn(QWidget* parent, const QString& title, const QString& text) = 0;
};

// The prompts as message boxes.
class MessageBoxPrompts : public UserPrompts {
 public:
  void Warn(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_USER_PROMPTS_H_
