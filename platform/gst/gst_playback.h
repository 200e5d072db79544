// The player window's one playback pipeline on GStreamer: file, ID3 tags stripped, MP3 parsed and
// decoded, converted for the sink. The sink is the desktop's default, or the description in
// PANELIA_AUDIO_SINK. Its news (end of a song, an error) arrive on the main loop.
#pragma once

#include <gst/gst.h>

#include <functional>
#include <string>

#include "music/player.h"

namespace panelia {

class GstPlayback final : public PlaybackGraph {
 public:
  struct Events {
    std::function<void()> end_of_stream;
    std::function<void()> error;
  };
  explicit GstPlayback(Events events) : events_(std::move(events)) {}
  ~GstPlayback() override { Release(); }
  GstPlayback(const GstPlayback&) = delete;
  GstPlayback& operator=(const GstPlayback&) = delete;

  bool Init() override;
  void Play(const std::string& path) override;
  void Stop() override;
  void Replay() override;
  void SetVolume(int percent) override;
  void Release() override;

  // The launch line the pipeline is made from (for messages and the bench).
  static std::string Description();

 private:
  static gboolean OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);

  Events events_;
  GstElement* pipeline_ = nullptr;
  GstElement* source_ = nullptr;
  GstElement* volume_ = nullptr;
  guint watch_ = 0;
  bool loaded_ = false;
  // One error per song: the elements of a broken stream each post theirs.
  bool failed_ = false;
};

}  // namespace panelia
