// Tells the probe when the page has settled and whether it paints anything: once it has loaded
// and its short timers (a timeout, or an interval's first tick, due within SETTLE_MS) have run,
// or SETTLE_MS after it loaded, whichever comes first. A page without such timers reports as
// soon as its load handlers have run. Main frame only.
(function () {
  var limit = SETTLE_MS;
  var margin = 20; // past the last timer, so what it reports comes first
  var quietAt = 0;
  var setTimer = window.setTimeout.bind(window);
  function track(original) {
    return function (handler, delay) {
      var wait = Number(delay) || 0;
      if (wait <= limit)
        quietAt = Math.max(quietAt, performance.now() + wait);
      return original.apply(this, arguments);
    };
  }
  window.setTimeout = track(window.setTimeout);
  window.setInterval = track(window.setInterval);
  // A page that is never shown gets no animation frames; a timer stands in for them.
  if (document.hidden) {
    window.requestAnimationFrame = function (callback) {
      return window.setTimeout(function () { callback(performance.now()); }, 16);
    };
    window.cancelAnimationFrame = function (id) { window.clearTimeout(id); };
  }
  function painted() {
    return (
PAINTED
    );
  }
  window.addEventListener('load', function () {
    var deadline = performance.now() + limit;
    function check() {
      var now = performance.now();
      if (quietAt > now && now < deadline) {
        setTimer(check, Math.min(quietAt - now + margin, deadline - now));
        return;
      }
      channel.send('settled', { painted: painted() });
    }
    // After every load handler of the page's own.
    setTimer(check, 0);
  });
})();
