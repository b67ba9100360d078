// The layer's services for its parts: each part runs guarded, what the layer did is counted for
// the console, and the parts speak to the program through the channel. The body of a function
// whose value is `compat`; `channel` (the program's, or the one of a page saved to run without
// it) and `setup` (identity, options, dialog) come before it in the same script.
var later = window.setTimeout.bind(window);
var now = Date.now;
var parse = JSON.parse;
var AddressOf = window.URL;
// Between two reports of the counts: longer than a page is given to settle, so the reports of
// an animation never keep it from settling.
var reportEvery = 1000;
var counts = Object.create(null);
var labels = [];
var due = false;
var lastReport = -Infinity;

function messageOf(error) {
  try {
    return error && error.message !== undefined ? String(error.message) : String(error);
  } catch (e) {
    return '?';
  }
}

function fail(name, error) {
  try {
    channel.send('layer-error', { part: String(name), message: messageOf(error) });
  } catch (e) {}
}

function report() {
  due = false;
  lastReport = now();
  var uses = [];
  for (var i = 0; i < labels.length; ++i)
    uses[uses.length] = [labels[i], counts[labels[i]]];
  try {
    channel.send('uses', { identity: compat.identity, uses: uses });
  } catch (e) {}
}

function schedule() {
  if (due)
    return;
  due = true;
  later(report, Math.max(0, lastReport + reportEvery - now()));
}

var compat = {
  identity: setup.identity,
  options: setup.options,
  standalone: !!channel.standalone,
  // In a page the program opened for showModalDialog: {arguments, setReturnValue(json)}.
  dialog: null,

  part: function (name, fn) {
    try {
      fn();
    } catch (e) {
      fail(name, e);
    }
  },

  guard: function (name, fn) {
    return function () {
      try {
        return fn.apply(this, arguments);
      } catch (e) {
        fail(name, e);
      }
    };
  },

  use: function (label) {
    label = String(label);
    if (counts[label] === undefined) {
      counts[label] = 1;
      labels[labels.length] = label;
    } else {
      ++counts[label];
    }
    schedule();
  },

  send: function (kind, data) {
    try {
      channel.send(String(kind), data === undefined ? null : data);
    } catch (e) {
      fail('prelude', e);
    }
  },

  call: function (kind, data) {
    try {
      data = data === undefined || data === null ? {} : data;
      // The dialog's address is the calling document's to resolve; the program sees only text.
      if (kind === 'modal' && data.url !== undefined)
        data.url = new AddressOf(String(data.url), document.baseURI).href;
      return channel.call(String(kind), data);
    } catch (e) {
      fail('prelude', e);
      return null;
    }
  },

  report: function (kind, detail) {
    compat.send('report', { kind: String(kind), detail: detail === undefined ? null : detail });
  }
};

function dialogArguments(text) {
  try {
    return parse(text);
  } catch (e) {
    return undefined;
  }
}

if (setup.dialog) {
  compat.dialog = {
    arguments: dialogArguments(setup.dialogArguments),
    setReturnValue: function (json) {
      compat.call('dialog-return', { value: json === undefined || json === null ? null : String(json) });
    }
  };
} else if (compat.standalone && String(window.name).indexOf('corvane-dialog:') === 0) {
  // Opened by a saved page's showModalDialog: the arguments came in the window's name.
  compat.dialog = {
    arguments: dialogArguments(String(window.name).slice('corvane-dialog:'.length)),
    setReturnValue: function () {}
  };
}

// The console names who the page is told it runs in, even before the layer does anything.
if (compat.identity)
  schedule();

return compat;
