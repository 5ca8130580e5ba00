#pragma once

#include <QColor>

// The colours of the windows, named by what they say.
namespace merolan::look {

inline const QColor kStopped(255, 192, 192);     // "Start Measure" while not polling
inline const QColor kMeasuring(192, 255, 192);   // "Start Measure" while polling
inline const QColor kCaptionGrey(224, 224, 224); // captions on the dark painted boxes
inline const QColor kProblem(160, 0, 0);         // why a readout is not live
inline const QColor kNotLive(140, 140, 140);     // a readout kept readable but no longer renewed
inline const QColor kMarkedBox(255, 224, 224);   // behind a text the program does not understand
inline const QColor kDbmReadout(255, 255, 192);
inline const QColor kWattReadout(255, 128, 128);
inline const QColor kVoltReadout(192, 255, 192);
inline const QColor kLimitBlue(0, 0, 255);  // scale limits on the meter face
inline const QColor kLinkBlue(40, 62, 255); // the info window's link

} // namespace merolan::look
