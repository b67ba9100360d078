// window.clipboardData.setData/getData("Text") through the program's clipboard, which answers
// only just after a click or key press of the user's; and document.execCommand("Copy"), which the
// engine refuses pages, the same way.
compat.part('clipboard', function () {
  var guard = function (fn) { return compat.guard('clipboard', fn); };

  function supported(format) {
    return /^(text|url)$/i.test(String(format));
  }

  if (!('clipboardData' in window)) {
    var clipboardData = {
      setData: guard(function (format, text) {
        compat.use('clipboardData');
        if (!supported(format))
          return false;
        return compat.call('clipboard-set', { text: String(text) }) === '1';
      }),
      getData: guard(function (format) {
        compat.use('clipboardData');
        if (!supported(format))
          return null;
        var text = compat.call('clipboard-get', {});
        return text === undefined ? null : text;
      }),
      clearData: guard(function () {
        return compat.call('clipboard-set', { text: '' }) === '1';
      })
    };
    Object.defineProperty(window, 'clipboardData', { configurable: true, writable: true, value: clipboardData });
  }

  // The selection's text: in the text box that has it, or on the page.
  function selectedText() {
    var box = document.activeElement;
    if (box && (box.tagName === 'TEXTAREA' || box.tagName === 'INPUT') && typeof box.selectionStart === 'number')
      return box.value.slice(box.selectionStart, box.selectionEnd);
    var selection = window.getSelection();
    return selection ? selection.toString() : '';
  }

  var nativeCommand = Document.prototype.execCommand;
  var asking = false;
  Document.prototype.execCommand = function (command) {
    var done = nativeCommand.apply(this, arguments);
    // Not again from inside the call: a channel may copy with this very command.
    if (!done && !asking && /^copy$/i.test(String(command))) {
      asking = true;
      try {
        done = guard(function () {
          compat.use('execCommand Copy');
          return compat.call('clipboard-set', { text: selectedText() }) === '1';
        })();
      } finally {
        asking = false;
      }
    }
    return !!done;
  };
});
