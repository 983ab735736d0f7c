// The difficulty progression, run inside every write of the score caption.
#pragma once

namespace zelto {

class Form1;

/// Raises the best score to the score when it is below it, then evaluates six blocks in
/// this order, each test made when its block is reached (strict greater-than on the
/// whole-number score): A above 600 re-arms ImgAlieno, B above 4500 ImgAl1 and its shot,
/// C above 1600 Imgal2, D above 2600 Image5 (each only while its timer is off); E above
/// 16000 and F above 30000 speed things up and give the second picture, F also re-placing
/// Image8. Keeps no state: a re-armed object comes back at the next score change after its
/// timer went off.
void Form1_Label1_Change(Form1& form);

} // namespace zelto
