#pragma once
// Keystrokes delivered straight to a widget, press and release, as the user's keyboard would.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

inline void SendKey(QWidget* target, int key, const QString& text = QString(),
                    Qt::KeyboardModifiers m = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, m, text);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, m, text);
  QCoreApplication::sendEvent(target, &release);
}

// A shortcut: a key with modifiers and no text.
inline void SendKey(QWidget* target, int key, Qt::KeyboardModifiers m) { SendKey(target, key, QString(), m); }

// Typed text where the key itself does not matter (any letter key carries it).
inline void SendKey(QWidget* target, const QString& text, int key = Qt::Key_X, Qt::KeyboardModifiers m = Qt::NoModifier) {
  SendKey(target, key, text, m);
}
