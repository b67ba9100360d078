// Chromium stores window.status but shows it nowhere; every write is reported instead, as a
// console message the page recognises by its first character.
(function () {
  var texts = { status: '', defaultStatus: '' };
  ['status', 'defaultStatus'].forEach(function (name) {
    try {
      Object.defineProperty(window, name, {
        configurable: true,
        get: function () { return texts[name]; },
        set: function (value) {
          texts[name] = String(value);
          console.debug('\u0001corvane-status\u0001' + texts[name]);
        }
      });
    } catch (e) {}
  });
})();
