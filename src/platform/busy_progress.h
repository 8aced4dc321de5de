// Work that takes a noticeable while (deriving a key) runs on a worker thread while a modal
// progress indication without steps shows, so that the window keeps being drawn.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Returns when work has finished.  work must not touch widgets or throw; the user cannot cancel.
void RunWithProgress(QWidget* parent, const QString& title, const QString& text,
                     const std::function<void()>& work);
