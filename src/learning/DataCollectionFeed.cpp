#include "learning/DataCollectionFeed.h"

#include "game/State.h"
#include "learning/DataCollection.h"
#include "scene/Gun.h"
#include "scene/Paddle.h"
#include "scene/Target2D.h"
#include "settings/GameSettingsPages.h"

DataCollectionFeed::DataCollectionFeed(DataCollection& module, State& game, const GameSettingsPages& pages,
                                       const Paddle& paddle)
    : module(module), game(game), pages(pages), paddle(paddle) {}

void DataCollectionFeed::beginGame(const TabDataCollection& page) {
    const DataCollectionOptions options = DataCollectionOptions::fromPage(page);
    module.beginGame(options, game.reportLines);
    // The game writes the hit items of a frame only while someone collects them.
    game.collectCoordinates = options.collectCoordinates && options.mode != DataCollection::off;
}

void DataCollectionFeed::afterGameAnswered(const QString& answers) {
    module.finishGame(answers);
}

void offerTotals(LModule& module, const State& game, const GameSettingsPages& pages, double now) {
    if (!module.wantsHandOff(now)) {
        return;
    }
    const GameSettings settings = pages.current();
    module.put(now, game.shotsFired, game.targetsHit, game.targetsMissed, settings.weapons.gunSpeed,
               settings.shapes[SettingKeys::circleIndex].speed, settings.allShapes.targetsPerSecond(),
               game.hitDistanceSum, game.hitTimeSum);
}

void DataCollectionFeed::ticked(double now) {
    offerTotals(module, game, pages, now);
    if (module.collectCoordinates && module.mode != DataCollection::off && !game.paused && !game.gameOver) {
        module.appendInfo(coordinatesLine(now));
    }
}

void DataCollectionFeed::gameEnded(const GameEvents::Ending&) {
    module.stopAtGameOver();
}

QByteArray DataCollectionFeed::coordinatesLine(double now) {
    line.begin(now, paddle.opacity(), paddle.posX, paddle.posY);
    for (int i = 0; i < game.targets.count(); ++i) {
        const Target2D* target = game.targets[i];
        line.addObject(target->name, target->x, target->y, target->radius);
    }
    for (int i = 0; i < game.guns.count(); ++i) {
        const Gun* gun = game.guns[i];
        line.addObject(gun->name, gun->x, gun->y, gun->radius);
    }
    line.addText(game.hitText);
    return line.take();
}
