#pragma once

#include <QImage>

// The game's artwork, drawn with QPainter. Every function returns an opaque RGB32 image of
// the exact size the game expects, on a pure black background, and draws the same pixels on
// every run: shapes are fixed and any randomness comes from fixed-seed generators.
namespace assetgen {

QImage drawShip();         // 50x64, the player's ship, nose up
QImage drawWreck();        // 50x64, the ship broken and burning
QImage drawCraft();        // 50x64, an enemy craft, nose down
QImage drawFighter();      // 162x207, a camouflaged fighter seen from above
QImage drawSaucer();       // 50x50, a flying saucer
QImage drawRock();         // 30x37, a dark red falling rock
QImage drawFlame();        // 50x50, a red and yellow flame
QImage drawBanner();       // 400x40, "ZELTO" and the web address, readable in columns 32-397
QImage drawIcon(int size); // size x size, the ship centred on black

} // namespace assetgen
