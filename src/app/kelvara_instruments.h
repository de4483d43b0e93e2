#pragma once
// The instruments of a document window on this desktop: a FluidSynth synthesizer on MIDI
// channel 0 behind the SynthController wrapper, and the document's MIDI input (ALSA
// sequencer or JACK) playing the document's chord map through it.
#include <memory>

#include "app/document_instruments.h"

namespace kelvara {

class Document;

// `document` must outlive the instruments (the window lets the instruments go first).
std::unique_ptr<DocumentInstruments> make_kelvara_instruments(const Document& document);

}  // namespace kelvara
