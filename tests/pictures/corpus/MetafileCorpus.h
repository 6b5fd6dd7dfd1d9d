// SPDX-License-Identifier: MIT
#pragma once

#include "CorpusRunner.h"

#include <QImage>

// How close a metafile decoding is to a reference rendering of it: the mean colour difference of
// the two laid on white and shrunk to side x side, each pixel against the nearest match within a
// pixel around it (both ways), compared with the reference's own difference from white.
class MetafileCorpus {
public:
    // Both pictures are laid on white and shrunk to side x side before comparing.
    static constexpr int side = 48;
    // A match: mean channel difference at most this many levels (of 255)...
    static constexpr double maxDifference = 12;
    // ...and at most this share of the reference's own difference from a blank picture, so that
    // a blank decoding of a sparse line drawing is not taken for a match.
    static constexpr double maxShareOfBlank = 0.5;

    struct Score {
        double difference = 0;
        double blank = 0;
        bool matches() const { return difference <= maxDifference && difference <= maxShareOfBlank * blank; }
    };

    static Score compare(const QImage& ours, const QImage& reference);

    // The corpus runner's judge for WMF and EMF: a match needs no error, the size the header names
    // (when it names one) and a reference the measure takes for the same picture.
    static pictures::test::CorpusRow judge(const pictures::test::CorpusEntry& entry, const QString& corpusDir);
};
