#pragma once
// What the host window's files share: Qt texts of ours, a project's shown name and the state
// that tells whether a project changed since it was last saved.

#include <QString>
#include <cstddef>
#include <string>

#include "model/model.hpp"

namespace kx::desktop::window {

inline QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

inline std::string ProjectName(const platform::ProjectData& project) {
  return project.title.empty() ? project.name : project.title;
}

// What a project holds that the window or an add-in may change: its title, its properties (the
// chart settings among them), the number of its rows and resources, and its calendars with their
// days off (an inserted holiday calendar, or one brought up to date, is a change to be saved).
std::size_t StateOf(const platform::ProjectData& project);

}  // namespace kx::desktop::window
