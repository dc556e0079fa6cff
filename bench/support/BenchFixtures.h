#pragma once
// The image files and documents the benchmarks read, made on first use and kept in
// $TMPDIR/luserio-bench-fixtures between runs. Each file is written under a temporary
// name and renamed into place when complete, so that a stopped run never leaves a
// partial file under a fixture's name.

#include <QImage>
#include <QString>
#include <QStringList>

/// Number of photos and of keyed pictures in the fixture folders.
constexpr int kFixtureFiles = 100;

/// A photo-like picture: smooth light and colour with fine grain, different per seed.
QImage PhotoLikeImage(int w, int h, int seed);
/// A keyed picture: shapes on a transparent background, anti-aliased edges.
QImage KeyedSpriteImage(int size, int seed);

/// The folder that keeps the fixtures.
QString BenchFixtureFolder();
/// kFixtureFiles photo-like 4000 x 3000 JPEGs (quality 90, about 2.7 MB each), made
/// where missing or cut short: `jpeg/photo000.jpg` and on.
QStringList PhotoJpegFixtures();
/// kFixtureFiles keyed 800 x 800 PNGs, made where missing or cut short:
/// `png/sprite000.png` and on.
QStringList KeyedPngFixtures();
/// A document of the first `slides` photos of PhotoJpegFixtures(), each stored as the
/// JPEG file it is (as an import with the size limit off stores it), without a
/// transparent colour, switching by timer after 1 second, not looping: a show of it
/// ends by itself after its last slide. Made when missing or older than the photos:
/// `photo-show/photos<slides>.lsr`. Uses the settings in use (the benchmarks' own).
QString PhotoDocumentFixture(int slides);
