// Chromium stores window.status but shows it nowhere; every write is reported instead.
(function () {
  var texts = { status: '', defaultStatus: '' };
  ['status', 'defaultStatus'].forEach(function (name) {
    try {
      Object.defineProperty(window, name, {
        configurable: true,
        get: function () { return texts[name]; },
        set: function (value) {
          texts[name] = String(value);
          channel.send('status', texts[name]);
        }
      });
    } catch (e) {}
  });
})();
