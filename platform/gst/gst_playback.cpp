#include "platform/gst/gst_playback.h"
#include "common/log.h"

#include <cstdio>
#include <cstdlib>

namespace panelia {

namespace {

// The elements every song needs; without one of them nothing can play.
constexpr const char* kNeeded[] = {"filesrc",      "id3demux", "mpegaudioparse", "mpg123audiodec",
                                   "audioconvert", "volume",   "audioresample"};

}  // namespace

std::string GstPlayback::Description() {
  const char* sink = std::getenv("PANELIA_AUDIO_SINK");
  return std::string(
             "filesrc name=source ! id3demux ! mpegaudioparse ! mpg123audiodec ! audioconvert ! "
             "volume name=volume ! audioresample ! ") +
         (sink && *sink ? sink : "autoaudiosink");
}

bool GstPlayback::Init() {
  GError* error = nullptr;
  if (!gst_init_check(nullptr, nullptr, &error)) {
    Log("GStreamer cannot start: %s", error ? error->message : "unknown reason");
    g_clear_error(&error);
    return false;
  }
  for (const char* name : kNeeded) {
    GstElementFactory* factory = gst_element_factory_find(name);
    if (!factory) {
      Log("the GStreamer element \"%s\" is not installed", name);
      return false;
    }
    gst_object_unref(factory);
  }
  std::string description = Description();
  GstElement* pipeline = gst_parse_launch_full(description.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
  if (!pipeline || error) {
    Log("cannot make the pipeline \"%s\": %s", description.c_str(), error ? error->message : "unknown reason");
    g_clear_error(&error);
    if (pipeline) gst_object_unref(pipeline);
    return false;
  }
  pipeline_ = pipeline;
  source_ = gst_bin_get_by_name(GST_BIN(pipeline_), "source");
  volume_ = gst_bin_get_by_name(GST_BIN(pipeline_), "volume");
  GstBus* bus = gst_element_get_bus(pipeline_);
  watch_ = gst_bus_add_watch(bus, &GstPlayback::OnBusMessage, this);
  gst_object_unref(bus);
  // The sink is opened now, once, so the first song starts without waiting for the device. A sink
  // that cannot open now may later; each song then fails on its own and the player moves on.
  if (gst_element_set_state(pipeline_, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
    Log("the audio output \"%s\" cannot be opened yet", description.c_str());
  return true;
}

void GstPlayback::Play(const std::string& path) {
  if (!pipeline_) return;
  gst_element_set_state(pipeline_, GST_STATE_READY);
  // What the last song said no longer counts: its end or its error must not skip this one.
  GstBus* bus = gst_element_get_bus(pipeline_);
  gst_bus_set_flushing(bus, TRUE);
  gst_bus_set_flushing(bus, FALSE);
  gst_object_unref(bus);
  g_object_set(source_, "location", path.c_str(), nullptr);
  loaded_ = true;
  failed_ = false;
  gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

void GstPlayback::Stop() {
  // Ready, not paused: the next Play or Replay starts from the beginning, and the sink stays open.
  if (pipeline_) gst_element_set_state(pipeline_, GST_STATE_READY);
}

void GstPlayback::Replay() {
  if (!pipeline_ || !loaded_) return;
  GstState state = GST_STATE_NULL;
  gst_element_get_state(pipeline_, &state, nullptr, 0);
  failed_ = false;
  if (state >= GST_STATE_PAUSED)
    gst_element_seek_simple(pipeline_, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
  gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

void GstPlayback::SetVolume(int percent) {
  if (!volume_) return;
  // Percent as a listener hears it: the cubic scale of desktop volume controls (half way sounds
  // half as loud, an eighth of the signal).
  const double fraction = percent / 100.0;
  g_object_set(volume_, "volume", fraction * fraction * fraction, nullptr);
}

void GstPlayback::Release() {
  if (!pipeline_) return;
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  if (watch_) g_source_remove(watch_);
  watch_ = 0;
  gst_object_unref(source_);
  if (volume_) gst_object_unref(volume_);
  gst_object_unref(pipeline_);
  source_ = nullptr;
  volume_ = nullptr;
  pipeline_ = nullptr;
}

gboolean GstPlayback::OnBusMessage(GstBus*, GstMessage* message, gpointer p) {
  auto* self = static_cast<GstPlayback*>(p);
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
      if (self->events_.end_of_stream) self->events_.end_of_stream();
      break;
    case GST_MESSAGE_ERROR: {
      if (self->failed_) break;
      self->failed_ = true;
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      gchar* location = nullptr;
      if (self->source_) g_object_get(self->source_, "location", &location, nullptr);
      Log("%s: %s", location ? location : "(no song)", error ? error->message : "error");
      g_free(location);
      g_clear_error(&error);
      if (self->events_.error) self->events_.error();
      break;
    }
    default: break;
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace panelia
