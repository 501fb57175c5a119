#include "adapters/rtmidi/midi_system_probe.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstdlib>

namespace vora {

namespace {

// The libraries print their own multi-line complaints on stderr; RtMidi's error callback
// already tells us what matters, so theirs are dropped.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void quietJack(const char*) {}

std::optional<std::string> alsaUnreachable() {
  snd_lib_error_set_handler(quietAlsa);
  snd_seq_t* seq = nullptr;
  const int err = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0);
  if (err < 0) return std::string("no ALSA sequencer (") + snd_strerror(err) + ")";
  snd_seq_close(seq);
  return std::nullopt;
}

std::optional<std::string> jackUnreachable() {
  jack_set_error_function(quietJack);
  jack_set_info_function(quietJack);
  jack_status_t status{};
  if (jack_client_t* client = jack_client_open("Vora", JackNoStartServer, &status)) {
    jack_client_close(client);
    return std::nullopt;
  }
  std::string reason = (status & JackServerFailed) != 0 ? "no JACK server is running"
                                                        : "the JACK server does not answer";
  if (const char* name = std::getenv("JACK_DEFAULT_SERVER"); name != nullptr && *name != '\0') {
    reason += std::string(" (server \"") + name + "\")";
  }
  return reason;
}

}  // namespace

std::optional<std::string> midiSystemUnreachable(MidiApi api) {
  switch (api) {
    case MidiApi::alsa:
      return alsaUnreachable();
    case MidiApi::jack:
      return jackUnreachable();
    case MidiApi::none:
    case MidiApi::platformDefault:
      break;
  }
  return std::nullopt;
}

}  // namespace vora
