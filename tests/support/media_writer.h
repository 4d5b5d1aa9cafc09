#pragma once
// Small media files written for tests: a movie encoded by the machine's
// libavcodec and a WAV sound written by hand.

#include <QByteArray>
#include <QString>

namespace sorvant::test {

// Encodes `frames` frames of a moving gradient at `fps` into an MPEG-4 file
// (container from the extension: ".mp4", ".mov"), with a display matrix
// turned by `rotation` degrees when not 0. Answers an empty string, or the
// reason when the machine's libavcodec cannot write it.
QString writeMovie(const QString& path, int width, int height, int frames, int fps, int rotation = 0);

// A mono 8 kHz 16-bit WAV of silence lasting `seconds`.
[[nodiscard]] QByteArray wavBytes(int seconds);

} // namespace sorvant::test
