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
  },

  // An error of the page's own that the layer found (a VBScript error): the console shows it as
  // the page's, at the page's address and line.
  pageError: function (text, source, line) {
    compat.send('page-error', { text: String(text), source: String(source || location.href), line: Number(line) || 0 });
  },

  // A remark of a part's that is no error: a construct it leaves alone.
  note: function (part, text) {
    compat.send('console', { level: 'warning', text: String(part) + ': ' + String(text) });
  },

  // Who the page is told it runs in: each of `values` on Navigator.prototype, where the engine
  // keeps its own, so a page's own value on the navigator wins. Neither old browser had Gecko's
  // fields; a sniffer that finds "Gecko" takes the Mozilla branch.
  identify: function (values) {
    ['product', 'productSub', 'vendor', 'vendorSub'].forEach(function (name) {
      values[name] = undefined;
    });
    Object.keys(values).forEach(function (name) {
      var value = values[name];
      Object.defineProperty(Navigator.prototype, name, {
        configurable: true,
        enumerable: true,
        get: function () { return value; },
        set: function (v) {
          Object.defineProperty(this, name, { configurable: true, enumerable: true, writable: true, value: v });
        }
      });
    });
  },

  // A file the program handed over with the layer (a page saved to disk cannot read its
  // neighbours), by its full address or its path from the page's folder.
  storedText: function (address) {
    var files = setup.options && setup.options.files;
    if (!files)
      return null;
    if (typeof files[address] === 'string')
      return files[address];
    var folder = String(location.href).replace(/[?#].*$/, '').replace(/[^\/]*$/, '');
    if (address.indexOf(folder) !== 0)
      return null;
    var path = address.slice(folder.length).replace(/[?#].*$/, '');
    try {
      path = decodeURIComponent(path);
    } catch (e) {
      // Kept as written.
    }
    return typeof files[path] === 'string' ? files[path] : null;
  },

  // Fires an event only IE had at `element`: its listeners, and its on<type> property or
  // attribute, which today's engine does not know, run as the page's own code.
  fireOwnEvent: function (element, type) {
    var handler = element['on' + type];
    var attribute = element.getAttribute('on' + type);
    var listener = null;
    if (typeof handler === 'function') {
      listener = function (event) { return handler.call(element, event); };
    } else if (attribute) {
      listener = function (event) {
        // The attribute's code, scoped as an inline handler is.
        return new Function('event', 'with (document) { with (this) { ' + attribute + '\n} }').call(element, event);
      };
    }
    if (listener)
      element.addEventListener(type, listener);
    element.dispatchEvent(new Event(type));
    if (listener)
      element.removeEventListener(type, listener);
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
