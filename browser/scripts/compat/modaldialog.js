// showModalDialog and showModelessDialog as windows of the program: the program opens the page,
// gives it dialogArguments and hands back its returnValue when it closes. In a page the program
// opened as a dialog (compat.dialog), window.dialogArguments, window.returnValue and the
// dialog's size are defined here.
compat.part('modaldialog', function () {
  var guard = function (fn) { return compat.guard('modaldialog', fn); };

  function argumentsText(value) {
    if (value === undefined)
      return 'null';
    try {
      var text = JSON.stringify(value);
      return text === undefined ? 'null' : text;
    } catch (e) {
      // A window or a node cannot cross to the dialog; IE handed a reference, we hand nothing.
      return 'null';
    }
  }

  function open(address, args, features, modeless) {
    compat.use(modeless ? 'showModelessDialog' : 'showModalDialog');
    var url = new URL(String(address === undefined ? '' : address), document.baseURI).href;
    return compat.call('modal', { url: url, args: argumentsText(args), features: String(features || ''), modeless: modeless });
  }

  if (!('showModalDialog' in window)) {
    Object.defineProperty(window, 'showModalDialog', {
      configurable: true,
      writable: true,
      value: guard(function (address, args, features) {
        var answer = open(address, args, features, false);
        if (answer === null || answer === undefined)
          return undefined;
        try {
          return JSON.parse(answer);
        } catch (e) {
          return answer;
        }
      })
    });
  }
  if (!('showModelessDialog' in window)) {
    Object.defineProperty(window, 'showModelessDialog', {
      configurable: true,
      writable: true,
      value: guard(function (address, args, features) {
        open(address, args, features, true);
        return null;
      })
    });
  }

  var dialog = compat.dialog;
  if (!dialog)
    return;
  var returned;
  if (!('dialogArguments' in window)) {
    Object.defineProperty(window, 'dialogArguments', {
      configurable: true,
      get: function () { return dialog.arguments; }
    });
  }
  Object.defineProperty(window, 'returnValue', {
    configurable: true,
    get: function () { return returned; },
    set: guard(function (value) {
      returned = value;
      dialog.setReturnValue(argumentsText(value));
    })
  });
  [['dialogWidth', 'innerWidth'], ['dialogHeight', 'innerHeight']].forEach(function (pair) {
    Object.defineProperty(window, pair[0], {
      configurable: true,
      get: function () { return window[pair[1]] + 'px'; },
      set: guard(function (value) {
        var size = parseInt(value, 10);
        if (!isNaN(size))
          window.resizeTo(pair[0] === 'dialogWidth' ? size : window.outerWidth,
                          pair[0] === 'dialogHeight' ? size : window.outerHeight);
      })
    });
  });
  [['dialogLeft', 'screenX'], ['dialogTop', 'screenY']].forEach(function (pair) {
    Object.defineProperty(window, pair[0], {
      configurable: true,
      get: function () { return window[pair[1]] + 'px'; },
      set: function () {}
    });
  });
});
