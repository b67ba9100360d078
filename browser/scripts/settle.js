// Keeps the time by which the page's short timers (a timeout or an interval's first tick due
// within the settle time) will have run, so a page without them is judged as soon as it has
// loaded. Answers through a function only the probe knows the name of.
(function () {
  var limit = SETTLE_MS;
  var quietAt = 0;
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
  Object.defineProperty(window, Symbol.for('corvane.quietIn'), {
    value: function () { return Math.max(0, quietAt - performance.now()); }
  });
})();
