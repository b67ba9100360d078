// <bgsound src loop volume>: the sound played once, a number of times or for ever as loop says,
// through an <audio> element inside it, so a file that does not load is reported as any other.
// A page that sets the element's src later (a sound on mouse-over) plays the new one.
compat.part('bgsound', function () {
  var guard = function (fn) { return compat.guard('bgsound', fn); };
  var players = new WeakMap(); // <bgsound> -> {audio, left}

  // IE's loop: -1 or "infinite" for ever, a count, 1 when missing or 0.
  function times(element) {
    var loop = String(element.getAttribute('loop') || '1').trim().toLowerCase();
    if (loop === 'infinite' || loop === '-1')
      return Infinity;
    var n = parseInt(loop, 10);
    return isNaN(n) || n < 1 ? 1 : n;
  }

  // IE's volume ran from -10000 (silent) to 0 (full), in hundredths of a decibel.
  function volume(element) {
    var level = parseInt(element.getAttribute('volume'), 10);
    if (isNaN(level))
      return 1;
    return Math.max(0, Math.min(1, Math.pow(10, Math.min(0, level) / 2000)));
  }

  function play(element) {
    var player = players.get(element);
    var source = element.getAttribute('src');
    if (!player) {
      var audio = document.createElement('audio');
      audio.style.display = 'none';
      audio.addEventListener('ended', guard(function () {
        var p = players.get(element);
        if (p && --p.left > 0) {
          audio.currentTime = 0;
          audio.play().catch(function () {});
        }
      }));
      element.appendChild(audio);
      player = { audio: audio, left: 0 };
      players.set(element, player);
    }
    if (!source) {
      player.audio.pause();
      return;
    }
    compat.use('<bgsound>');
    var audio2 = player.audio;
    player.left = times(element);
    audio2.loop = player.left === Infinity;
    audio2.volume = volume(element);
    audio2.src = new URL(source, document.baseURI).href;
    audio2.play().catch(function () {
      // Refused before a click: try again at the first one.
      var retry = function () {
        document.removeEventListener('mousedown', retry, true);
        document.removeEventListener('keydown', retry, true);
        audio2.play().catch(function () {});
      };
      document.addEventListener('mousedown', retry, true);
      document.addEventListener('keydown', retry, true);
    });
  }

  // src, loop and volume as properties a page sets, as IE's element had them.
  function upgrade(element) {
    if (players.has(element))
      return;
    ['src', 'loop', 'volume', 'balance'].forEach(function (name) {
      Object.defineProperty(element, name, {
        configurable: true,
        enumerable: true,
        get: function () {
          var value = element.getAttribute(name);
          return name === 'src' ? (value ? new URL(value, document.baseURI).href : '') : value;
        },
        set: guard(function (value) {
          element.setAttribute(name, String(value));
          if (name === 'src')
            play(element);
          else if (name === 'volume' && players.has(element))
            players.get(element).audio.volume = volume(element);
        })
      });
    });
    play(element);
  }

  function upgradeAll() {
    var found = document.getElementsByTagName('bgsound');
    for (var i = 0; i < found.length; ++i)
      upgrade(found[i]);
  }
  document.addEventListener('DOMContentLoaded', guard(upgradeAll));
});
