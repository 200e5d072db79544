// Black windows over the monitors the kiosk does not use: a visitor sees nothing of the desktop
// there, unless the kiosk has something to show on one (its page loop). Made again whenever
// monitors come, go or change.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gtk/gobject_ptr.h"

namespace panelia {

// What a cover shows instead of black; it lives as long as its cover.
class CoverContent {
 public:
  virtual ~CoverContent() = default;
  virtual GtkWidget* Widget() = 0;
  virtual std::string Showing() const = 0;  // for the status: the page shown, "" for none
};
// The content for the monitor the Monitor setting calls `number`; null: black.
using CoverContentMaker = std::function<std::unique_ptr<CoverContent>(size_t number)>;

class MonitorCovers {
 public:
  // `enabled`: the IsCoverOthers setting; off, no cover is ever made.
  explicit MonitorCovers(bool enabled);
  // From now on (the covers are made again) monitors may show content.
  void UseContent(CoverContentMaker maker);
  struct Shown {
    size_t monitor;
    std::string showing;  // "" for black
  };
  std::vector<Shown> WhatEachShows() const;
  ~MonitorCovers();
  MonitorCovers(const MonitorCovers&) = delete;
  MonitorCovers& operator=(const MonitorCovers&) = delete;
  size_t Count() const { return covers_.size(); }

 private:
  void Update();
  bool enabled_;
  std::vector<GtkWidget*> covers_;
  std::vector<std::pair<size_t, std::unique_ptr<CoverContent>>> contents_;  // by monitor number
  CoverContentMaker maker_;
  ScopedSignal monitors_changed_;
};

}  // namespace panelia
