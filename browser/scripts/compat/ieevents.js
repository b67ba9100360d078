// Internet Explorer's event model: attachEvent/detachEvent (the handler called with window.event
// set and `this` the window), fireEvent, createEventObject, and window.event with IE's button
// numbers. The fields today's engine still has (srcElement, fromElement, toElement, returnValue,
// cancelBubble, keyCode, x, y, offsetX) are its own.
compat.part('ieevents', function () {
  // IE's event names that today's engine spells differently or lacks.
  var renamed = { propertychange: 'input', activate: 'focusin', deactivate: 'focusout' };

  function typeOf(name) {
    var type = String(name).toLowerCase();
    if (type.slice(0, 2) === 'on')
      type = type.slice(2);
    return renamed[type] || type;
  }

  // target -> [{type, handler, listener}]
  var attached = new WeakMap();

  function attachEvent(name, handler) {
    if (typeof handler !== 'function')
      return false;
    var target = this;
    var type = typeOf(name);
    var list = attached.get(target);
    if (!list)
      attached.set(target, (list = []));
    for (var i = 0; i < list.length; ++i) {
      if (list[i].type === type && list[i].handler === handler)
        return true;
    }
    var property = type === 'input' && String(name).toLowerCase() === 'onpropertychange';
    var listener = function (event) {
      if (property && event && !('propertyName' in event))
        Object.defineProperty(event, 'propertyName', { value: 'value' });
      // The page's own handler: what it throws is the page's error.
      return handler.call(window);
    };
    list.push({ type: type, handler: handler, listener: listener });
    target.addEventListener(type, listener, false);
    compat.use('attachEvent');
    return true;
  }

  function detachEvent(name, handler) {
    var list = attached.get(this);
    if (!list)
      return;
    var type = typeOf(name);
    for (var i = 0; i < list.length; ++i) {
      if (list[i].type === type && list[i].handler === handler) {
        this.removeEventListener(type, list[i].listener, false);
        list.splice(i, 1);
        compat.use('detachEvent');
        return;
      }
    }
  }

  // What IE's createEventObject made: a plain bag of fields that fireEvent copies onto the event.
  function createEventObject(from) {
    var bag = {};
    if (from) {
      for (var key in from) {
        var value = from[key];
        if (typeof value !== 'function')
          bag[key] = value;
      }
    }
    return bag;
  }

  var mouseTypes = /^(click|dblclick|mouse\w+|contextmenu)$/;
  var keyTypes = /^key(down|up|press)$/;

  function fireEvent(name, fields) {
    var type = typeOf(name);
    var init = { bubbles: true, cancelable: true, view: window };
    if (fields) {
      ['clientX', 'clientY', 'screenX', 'screenY', 'ctrlKey', 'shiftKey', 'altKey', 'keyCode'].forEach(function (key) {
        if (key in fields)
          init[key] = fields[key];
      });
    }
    var event;
    if (mouseTypes.test(type))
      event = new MouseEvent(type, init);
    else if (keyTypes.test(type))
      event = new KeyboardEvent(type, init);
    else
      event = new Event(type, init);
    compat.use('fireEvent');
    return this.dispatchEvent(event);
  }

  function define(object, name, value) {
    if (!(name in object))
      Object.defineProperty(object, name, { configurable: true, writable: true, value: value });
  }

  var guardedAttach = compat.guard('ieevents', attachEvent);
  var guardedDetach = compat.guard('ieevents', detachEvent);
  [Element.prototype, Document.prototype, window].forEach(function (object) {
    define(object, 'attachEvent', guardedAttach);
    define(object, 'detachEvent', guardedDetach);
  });
  [Element.prototype, Document.prototype].forEach(function (proto) {
    define(proto, 'fireEvent', compat.guard('ieevents', fireEvent));
  });
  define(Document.prototype, 'createEventObject', compat.guard('ieevents', createEventObject));

  // <script for="button1" event="onclick">: IE ran the block as that element's handler; today's
  // engines skip it (all but for="window" event="onload").
  function bindScriptsFor() {
    var scripts = document.querySelectorAll('script[for][event]');
    for (var i = 0; i < scripts.length; ++i) {
      var script = scripts[i];
      // VBScript blocks are the vbscript part's to bind.
      if (/vbs/i.test(script.getAttribute('language') || '') || /vbs/i.test(script.getAttribute('type') || ''))
        continue;
      var owner = script.getAttribute('for').trim();
      var type = typeOf(script.getAttribute('event').replace(/\(.*$/, '').trim());
      if (/^window$/i.test(owner) && type === 'load')
        continue;
      var target = /^window$/i.test(owner) ? window : /^document$/i.test(owner) ? document
                 : document.getElementById(owner) || document.getElementsByName(owner)[0];
      if (!target)
        continue;
      // Compiled as the page's own code, so its errors are the page's.
      var body = new Function(script.text);
      target.addEventListener(type, (function (run) {
        return function () { return run.call(window); };
      })(body));
      compat.use('<script for>');
    }
  }
  document.addEventListener('DOMContentLoaded', compat.guard('ieevents', bindScriptsFor));

  // IE numbered buttons as bits (1 left, 2 right, 4 middle), and only for the events that carry
  // them. A page that takes IE's path reads them everywhere (an inline handler's `event` is the
  // engine's own); otherwise only through window.event, the way IE code reads them.
  var nativeButton = Object.getOwnPropertyDescriptor(MouseEvent.prototype, 'button');
  if (!nativeButton || !nativeButton.get)
    return;
  var ieButtons = [1, 4, 2, 8, 16];
  function ieButton(event) {
    var type = event.type;
    if (type === 'mousedown' || type === 'mouseup')
      return ieButtons[nativeButton.get.call(event)] || 0;
    if (type === 'mousemove')
      return event.buttons;
    return 0;
  }

  if (compat.identity === 'ie') {
    Object.defineProperty(MouseEvent.prototype, 'button', {
      configurable: true,
      enumerable: nativeButton.enumerable,
      get: function () { return ieButton(this); }
    });
    return;
  }

  var views = new WeakMap();
  function ieView(event) {
    var view = views.get(event);
    if (!view) {
      view = new Proxy(event, {
        get: function (target, name) {
          if (name === 'button')
            return ieButton(target);
          var value = target[name];
          return typeof value === 'function' ? value.bind(target) : value;
        },
        set: function (target, name, value) {
          try {
            target[name] = value;
          } catch (e) {
            // IE let a page write fields today's events keep read-only (keyCode).
          }
          return true;
        }
      });
      views.set(event, view);
    }
    return view;
  }

  var nativeEvent = Object.getOwnPropertyDescriptor(window, 'event');
  if (nativeEvent && nativeEvent.get) {
    Object.defineProperty(window, 'event', {
      configurable: true,
      enumerable: nativeEvent.enumerable,
      get: function () {
        var event = nativeEvent.get.call(window);
        return event instanceof MouseEvent ? ieView(event) : event;
      },
      set: function (value) {
        Object.defineProperty(window, 'event', { configurable: true, writable: true, value: value });
      }
    });
  }
});
