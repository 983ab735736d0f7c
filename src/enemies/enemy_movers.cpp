#include "enemies/enemy_movers.h"

#include "scoring/game_over.h"
#include "scoring/score.h"

namespace zelto {

void moveEnemy(Form1& form, const EnemyMover& mover) {
    Image& enemy = form.*mover.image;
    Timer& timer = form.*mover.timer;
    if (atBottomLine(form, enemy.top))
        GameOver(form);
    else
        enemy.top = store(enemy.top + mover.step);
    testShots(form, enemy, mover.shots, [&](double points) {
        addPoints(form, points);
        Esplosione(form);
        enemy.visible = false;
        timer.setEnabled(false);
    });
}

} // namespace zelto
