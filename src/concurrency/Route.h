#pragma once

namespace concurrency {

// How one conversion runs, decided once by the front end and passed down
// unchanged to every layer that starts a helper or picks a decoder: the
// inflater, the file output's writer, the encoder's composite tables.
enum class Route {
    // With helper threads beside the converting thread where one can be had:
    // the fast decoder with zlib's rules checked beside it, the writer
    // thread, a large composite's tables resolved ahead.
    Helped,
    // Everything on the converting thread, zlib alone: what a process that
    // may use one CPU does, and the route whose outcome decides.
    OneThread,
};

} // namespace concurrency
