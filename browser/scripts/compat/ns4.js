// Who the page thinks it runs in: Netscape Navigator 4.7, with its layers. document.layers holds
// the positioned elements and the <layer>/<ilayer> boxes by index, id and name; each is a layer
// object over its element. Also new Layer(), captureEvents/releaseEvents/routeEvent, the Event
// mask constants and event.modifiers (event.which and pageX/pageY are the engine's own).
compat.part('ns4', function () {
  if (compat.identity !== 'ns4')
    return;
  var guard = function (fn) { return compat.guard('ns4', fn); };

  compat.identify({
    appName: 'Netscape',
    appVersion: '4.7 [en] (Win98; I)',
    userAgent: 'Mozilla/4.7 [en] (Win98; I)',
    platform: 'Win32'
  });

  // <layer> is a positioned box, <ilayer> one in the flow; <nolayer> is what Netscape 4 hid.
  var sheet = new CSSStyleSheet();
  sheet.replaceSync('layer { position: absolute; display: block; } ilayer { position: relative; display: inline-block; } nolayer { display: none; }');
  document.adoptedStyleSheets = document.adoptedStyleSheets.concat([sheet]);

  var masks = {
    MOUSEDOWN: 1, MOUSEUP: 2, MOUSEOVER: 4, MOUSEOUT: 8, MOUSEMOVE: 16, MOUSEDRAG: 32, CLICK: 64, DBLCLICK: 128,
    KEYDOWN: 256, KEYUP: 512, KEYPRESS: 1024, DRAGDROP: 2048, FOCUS: 4096, BLUR: 8192, SELECT: 16384,
    CHANGE: 32768, RESET: 65536, SUBMIT: 131072, SCROLL: 262144, LOAD: 524288, UNLOAD: 1048576,
    XFER_DONE: 2097152, ABORT: 4194304, ERROR: 8388608, LOCATE: 16777216, MOVE: 33554432, RESIZE: 67108864,
    FORWARD: 134217728, HELP: 268435456, BACK: 536870912,
    ALT_MASK: 1, CONTROL_MASK: 2, SHIFT_MASK: 4, META_MASK: 8
  };
  Object.keys(masks).forEach(function (name) {
    if (!(name in Event))
      Object.defineProperty(Event, name, { configurable: true, value: masks[name] });
  });

  function defineModifiers(proto) {
    if ('modifiers' in proto)
      return;
    Object.defineProperty(proto, 'modifiers', {
      configurable: true,
      get: function () {
        return (this.altKey ? 1 : 0) | (this.ctrlKey ? 2 : 0) | (this.shiftKey ? 4 : 0) | (this.metaKey ? 8 : 0);
      }
    });
  }
  defineModifiers(MouseEvent.prototype);
  defineModifiers(KeyboardEvent.prototype);

  // Events reach today's handlers without being captured first; these only say so.
  var counted = {};
  function countOnce(label) {
    if (!counted[label]) {
      counted[label] = true;
      compat.use(label);
    }
  }
  function captureEvents() { countOnce('captureEvents'); }
  function releaseEvents() {}
  function routeEvent() { return true; }
  [window, Document.prototype].forEach(function (object) {
    if (!('routeEvent' in object))
      Object.defineProperty(object, 'routeEvent', { configurable: true, writable: true, value: routeEvent });
    if (object.captureEvents)
      object.captureEvents = captureEvents;
  });

  ['width', 'height'].forEach(function (name) {
    if (!(name in Document.prototype)) {
      Object.defineProperty(Document.prototype, name, {
        configurable: true,
        get: function () {
          var root = this.documentElement;
          return root ? (name === 'width' ? root.scrollWidth : root.scrollHeight) : 0;
        }
      });
    }
  });

  // --- Which elements are layers -----------------------------------------------------------------

  function isLayerTag(element) {
    var tag = element.tagName;
    return tag === 'LAYER' || tag === 'ILAYER';
  }

  function isLayer(element) {
    if (!element || element.nodeType !== 1)
      return false;
    if (isLayerTag(element))
      return true;
    var position = getComputedStyle(element).position;
    return position === 'absolute' || position === 'relative' || position === 'fixed';
  }

  // The layer an element is in, or null for the page.
  function parentLayerElement(element) {
    for (var node = element.parentElement; node; node = node.parentElement) {
      if (isLayerTag(node) || ((node.id || node.getAttribute('name')) && isLayer(node)))
        return node;
    }
    return null;
  }

  // The layers directly in `root` (an element, or the document), in document order. Kept for the
  // current task, as a page may walk them in a loop.
  var cached = new Map();
  var clearing = false;
  function layersIn(root) {
    var list = cached.get(root);
    if (list)
      return list;
    upgradeAll();
    list = [];
    var candidates = root.querySelectorAll('layer, ilayer, [id], [name]');
    var owner = root.nodeType === 9 ? null : root;
    for (var i = 0; i < candidates.length; ++i) {
      var element = candidates[i];
      if (isLayer(element) && parentLayerElement(element) === owner)
        list.push(element);
    }
    cached.set(root, list);
    if (!clearing) {
      clearing = true;
      setTimeout(function () {
        cached.clear();
        clearing = false;
      }, 0);
    }
    return list;
  }

  // Finds a layer by name: in `root` first, then anywhere, as pages often named a nested layer
  // from the top.
  function namedLayer(root, name) {
    var list = layersIn(root);
    for (var i = 0; i < list.length; ++i) {
      if (list[i].id === name || list[i].getAttribute('name') === name)
        return list[i];
    }
    var doc = root.nodeType === 9 ? root : root.ownerDocument;
    var element = doc.getElementById(name) || doc.getElementsByName(name)[0];
    if (element && (root.nodeType === 9 || root.contains(element)) && (upgrade(element), isLayer(element)))
      return element;
    return null;
  }

  function layerCollection(root) {
    var isIndex = function (name) { return /^(0|[1-9][0-9]*)$/.test(name); };
    return new Proxy({}, {
      get: guard(function (target, name) {
        if (typeof name !== 'string')
          return name === Symbol.iterator ? function () { return layersIn(root).map(layerOf)[Symbol.iterator](); } : undefined;
        countOnce('слоеве');
        if (name === 'length')
          return layersIn(root).length;
        if (isIndex(name)) {
          var element = layersIn(root)[Number(name)];
          return element ? layerOf(element) : undefined;
        }
        var found = namedLayer(root, name);
        return found ? layerOf(found) : undefined;
      }),
      has: guard(function (target, name) {
        if (typeof name !== 'string')
          return false;
        if (name === 'length')
          return true;
        return isIndex(name) ? Number(name) < layersIn(root).length : !!namedLayer(root, name);
      }),
      set: function () { return true; },
      ownKeys: function () {
        return layersIn(root).map(function (e, i) { return String(i); });
      },
      getOwnPropertyDescriptor: function (target, name) {
        var list = layersIn(root);
        if (/^[0-9]+$/.test(name) && Number(name) < list.length)
          return { configurable: true, enumerable: true, value: layerOf(list[Number(name)]) };
        return undefined;
      }
    });
  }

  var documentLayers = new WeakMap();
  Object.defineProperty(Document.prototype, 'layers', {
    configurable: true,
    enumerable: true,
    get: function () {
      var layers = documentLayers.get(this);
      if (!layers)
        documentLayers.set(this, (layers = layerCollection(this)));
      // A page that found layers goes on to name them on the document (document.ball).
      if (this === document && this.readyState === 'loading')
        guard(function () { nameLayers(document, layersIn(document)); })();
      return layers;
    },
    set: function (value) {
      Object.defineProperty(this, 'layers', { configurable: true, writable: true, value: value });
    }
  });

  // --- <layer> and <ilayer> as boxes ------------------------------------------------------------

  var upgraded = new WeakSet();

  function number(value) {
    var n = parseFloat(value);
    return isNaN(n) ? null : n;
  }

  var visibilities = { show: 'visible', visible: 'visible', hide: 'hidden', hidden: 'hidden', inherit: 'inherit' };

  function upgrade(element) {
    if (!isLayerTag(element) || upgraded.has(element))
      return;
    upgraded.add(element);
    countOnce('<layer>');
    var style = element.style;
    var attribute = function (name) { return element.getAttribute(name); };
    var left = number(attribute('left'));
    var top = number(attribute('top'));
    if (left !== null)
      style.left = left + 'px';
    if (top !== null)
      style.top = top + 'px';
    var width = number(attribute('width'));
    var height = number(attribute('height'));
    if (width !== null)
      style.width = width + 'px';
    if (height !== null)
      style.height = height + 'px';
    var z = attribute('z-index');
    if (z !== null)
      style.zIndex = z;
    var visibility = visibilities[String(attribute('visibility')).toLowerCase()];
    if (visibility)
      style.visibility = visibility;
    var colour = attribute('bgcolor');
    if (colour)
      style.backgroundColor = colour;
    var picture = attribute('background');
    if (picture)
      style.backgroundImage = 'url("' + new URL(picture, document.baseURI).href + '")';
    var clip = attribute('clip');
    if (clip) {
      var values = clip.split(',').map(Number);
      var c = values.length >= 4 ? values : [0, 0, values[0], values[1]];
      setClip(element, { left: c[0], top: c[1], right: c[2], bottom: c[3] });
    }
    var pageX = number(attribute('pagex'));
    var pageY = number(attribute('pagey'));
    if (pageX !== null || pageY !== null) {
      var layer = layerOf(element);
      layer.moveToAbsolute(pageX === null ? layer.pageX : pageX, pageY === null ? layer.pageY : pageY);
    }
    var source = attribute('src');
    if (source)
      loadInto(element, source, null);
  }

  function upgradeAll() {
    var found = document.querySelectorAll('layer, ilayer');
    for (var i = 0; i < found.length; ++i)
      upgrade(found[i]);
  }
  document.addEventListener('DOMContentLoaded', guard(upgradeAll));

  // Loads the page at `source` into the layer, its scripts run, as Netscape's layer src did.
  function loadInto(element, source, width) {
    var address = new URL(source, document.baseURI).href;
    if (width !== null && width !== undefined)
      element.style.width = parseInt(width, 10) + 'px';
    var show = function (text) {
      var body = /<body[^>]*>([\s\S]*)<\/body>/i.exec(text);
      element.innerHTML = body ? body[1] : text;
      runScripts(element);
      var handler = loadHandlers.get(element);
      if (typeof handler === 'function')
        handler.call(layerOf(element), new Event('load'));
    };
    var stored = compat.storedText(address);
    if (stored !== null) {
      show(stored);
      return;
    }
    var request = new XMLHttpRequest();
    request.open('GET', address);
    request.overrideMimeType('text/html; charset=windows-1251');
    request.onload = function () {
      if (request.status === 200 || (request.status === 0 && request.responseText))
        show(request.responseText);
    };
    request.send();
  }

  // Scripts that arrive through innerHTML do not run; Netscape ran those a layer was given.
  function runScripts(element) {
    var scripts = element.querySelectorAll('script');
    for (var i = 0; i < scripts.length; ++i) {
      var old = scripts[i];
      var script = document.createElement('script');
      for (var a = 0; a < old.attributes.length; ++a)
        script.setAttribute(old.attributes[a].name, old.attributes[a].value);
      script.text = old.text;
      old.parentNode.replaceChild(script, old);
    }
  }

  // --- The layer object --------------------------------------------------------------------------

  var layers = new WeakMap(); // element -> layer object
  var loadHandlers = new WeakMap(); // element -> the layer's onload
  var clips = new WeakMap(); // element -> {left, top, right, bottom} set by the page

  function layerOf(element) {
    var layer = layers.get(element);
    if (!layer) {
      upgrade(element);
      layer = Object.create(Layer.prototype);
      Object.defineProperty(layer, 'element', { value: element });
      layers.set(element, layer);
    }
    return layer;
  }

  function setClip(element, clip) {
    clips.set(element, clip);
    element.style.clipPath = 'polygon(' + [[clip.left, clip.top], [clip.right, clip.top], [clip.right, clip.bottom],
                                            [clip.left, clip.bottom]].map(function (p) {
      return p[0] + 'px ' + p[1] + 'px';
    }).join(', ') + ')';
  }

  function clipOf(element) {
    return clips.get(element) || { left: 0, top: 0, right: element.offsetWidth, bottom: element.offsetHeight };
  }

  // A length the page gave as a number or a text such as "100" or "100px".
  function toNumber(value) {
    var n = parseFloat(value);
    return isNaN(n) ? 0 : n;
  }

  function offset(element, side) {
    var value = parseFloat(element.style[side]);
    if (!isNaN(value))
      return value;
    value = parseFloat(getComputedStyle(element)[side]);
    if (!isNaN(value))
      return value;
    return side === 'left' ? element.offsetLeft : element.offsetTop;
  }

  function Layer(width, parent) {
    var element = document.createElement('div');
    element.style.position = 'absolute';
    element.style.visibility = 'hidden';
    element.style.left = '0px';
    element.style.top = '0px';
    if (width !== undefined && width !== null)
      element.style.width = toNumber(width) + 'px';
    var host = parent && parent.element ? parent.element : document.body || document.documentElement;
    host.appendChild(element);
    compat.use('new Layer');
    return layerOf(element);
  }

  var proto = Layer.prototype;
  function accessor(name, get, set) {
    Object.defineProperty(proto, name, {
      configurable: true,
      enumerable: true,
      get: guard(function () { return get.call(this, this.element); }),
      set: guard(function (value) { if (set) set.call(this, this.element, value); })
    });
  }
  function method(name, fn) {
    Object.defineProperty(proto, name, {
      configurable: true,
      writable: true,
      value: guard(function () {
        var args = [this.element].concat(Array.prototype.slice.call(arguments));
        return fn.apply(this, args);
      })
    });
  }

  accessor('left', function (e) { return offset(e, 'left'); },
           function (e, v) { e.style.left = toNumber(v) + 'px'; });
  accessor('top', function (e) { return offset(e, 'top'); },
           function (e, v) { e.style.top = toNumber(v) + 'px'; });
  accessor('x', function (e) { return offset(e, 'left'); },
           function (e, v) { e.style.left = toNumber(v) + 'px'; });
  accessor('y', function (e) { return offset(e, 'top'); },
           function (e, v) { e.style.top = toNumber(v) + 'px'; });
  accessor('pageX', function (e) { return Math.round(e.getBoundingClientRect().left + window.pageXOffset); },
           function (e, v) { this.moveBy(toNumber(v) - this.pageX, 0); });
  accessor('pageY', function (e) { return Math.round(e.getBoundingClientRect().top + window.pageYOffset); },
           function (e, v) { this.moveBy(0, toNumber(v) - this.pageY); });
  accessor('visibility', function (e) {
    var own = e.style.visibility;
    if (own === 'inherit')
      return 'inherit';
    return getComputedStyle(e).visibility === 'hidden' ? 'hide' : 'show';
  }, function (e, v) {
    e.style.visibility = visibilities[String(v).toLowerCase()] || '';
  });
  accessor('zIndex', function (e) { return parseInt(getComputedStyle(e).zIndex, 10) || 0; },
           function (e, v) { e.style.zIndex = String(parseInt(v, 10) || 0); });
  accessor('bgColor', function (e) {
    var colour = e.style.backgroundColor;
    return colour && colour !== 'transparent' ? colour : null;
  }, function (e, v) {
    e.style.backgroundColor = v === null || v === undefined ? 'transparent' : String(v);
  });
  accessor('name', function (e) { return e.getAttribute('name') || e.id || ''; },
           function (e, v) { e.setAttribute('name', String(v)); });
  accessor('id', function (e) { return e.id; }, function (e, v) { e.id = String(v); });
  accessor('src', function (e) { return e.getAttribute('src') || ''; },
           function (e, v) { e.setAttribute('src', String(v)); loadInto(e, String(v), null); });
  accessor('parentLayer', function (e) {
    var parent = parentLayerElement(e);
    return parent ? layerOf(parent) : window;
  });
  accessor('layers', function (e) { return this.document.layers; });
  accessor('siblingAbove', function () { return null; });
  accessor('siblingBelow', function () { return null; });
  accessor('above', function () { return null; });
  accessor('below', function () { return null; });

  var backgrounds = new WeakMap();
  accessor('background', function (e) {
    var background = backgrounds.get(e);
    if (!background) {
      background = {};
      Object.defineProperty(background, 'src', {
        enumerable: true,
        get: function () {
          var found = /url\("?([^")]*)"?\)/.exec(e.style.backgroundImage);
          return found ? found[1] : null;
        },
        set: guard(function (value) {
          e.style.backgroundImage = value ? 'url("' + new URL(String(value), document.baseURI).href + '")' : 'none';
        })
      });
      backgrounds.set(e, background);
    }
    return background;
  });

  var clipObjects = new WeakMap();
  accessor('clip', function (e) {
    var clip = clipObjects.get(e);
    if (clip)
      return clip;
    clip = {};
    var side = function (name, get, set) {
      Object.defineProperty(clip, name, {
        enumerable: true,
        get: guard(function () { return get(clipOf(e)); }),
        set: guard(function (value) {
          var now = clipOf(e);
          var next = { left: now.left, top: now.top, right: now.right, bottom: now.bottom };
          set(next, toNumber(value));
          setClip(e, next);
        })
      });
    };
    side('left', function (c) { return c.left; }, function (c, v) { c.left = v; });
    side('top', function (c) { return c.top; }, function (c, v) { c.top = v; });
    side('right', function (c) { return c.right; }, function (c, v) { c.right = v; });
    side('bottom', function (c) { return c.bottom; }, function (c, v) { c.bottom = v; });
    side('width', function (c) { return c.right - c.left; }, function (c, v) { c.right = c.left + v; });
    side('height', function (c) { return c.bottom - c.top; }, function (c, v) { c.bottom = c.top + v; });
    clipObjects.set(e, clip);
    return clip;
  });

  method('moveTo', function (e, x, y) {
    e.style.left = toNumber(x) + 'px';
    e.style.top = toNumber(y) + 'px';
  });
  method('moveBy', function (e, dx, dy) {
    e.style.left = offset(e, 'left') + toNumber(dx) + 'px';
    e.style.top = offset(e, 'top') + toNumber(dy) + 'px';
  });
  method('moveToAbsolute', function (e, x, y) {
    var box = e.getBoundingClientRect();
    this.moveBy(toNumber(x) - (box.left + window.pageXOffset), toNumber(y) - (box.top + window.pageYOffset));
  });
  method('resizeTo', function (e, width, height) {
    e.style.width = toNumber(width) + 'px';
    e.style.height = toNumber(height) + 'px';
    var clip = clipOf(e);
    setClip(e, { left: clip.left, top: clip.top, right: clip.left + toNumber(width), bottom: clip.top + toNumber(height) });
  });
  method('resizeBy', function (e, dw, dh) {
    var clip = clipOf(e);
    this.resizeTo(clip.right - clip.left + toNumber(dw), clip.bottom - clip.top + toNumber(dh));
  });
  method('moveAbove', function (e, other) {
    if (other && other.element)
      e.style.zIndex = String((parseInt(getComputedStyle(other.element).zIndex, 10) || 0) + 1);
  });
  method('moveBelow', function (e, other) {
    if (other && other.element)
      e.style.zIndex = String((parseInt(getComputedStyle(other.element).zIndex, 10) || 0) - 1);
  });
  method('load', function (e, source, width) { loadInto(e, String(source), width); });
  method('captureEvents', function () { countOnce('captureEvents'); });
  method('releaseEvents', function () {});
  method('routeEvent', function () { return true; });

  // Handlers set on the layer are the element's, called with the layer as `this`.
  ['onmouseover', 'onmouseout', 'onmousedown', 'onmouseup', 'onmousemove', 'onclick', 'ondblclick', 'onkeydown',
   'onkeyup', 'onkeypress', 'onfocus', 'onblur', 'onload'].forEach(function (name) {
    var handlers = name === 'onload' ? loadHandlers : new WeakMap();
    Object.defineProperty(proto, name, {
      configurable: true,
      enumerable: true,
      get: function () { return handlers.get(this.element) || null; },
      set: function (handler) {
        var layer = this;
        handlers.set(this.element, typeof handler === 'function' ? handler : null);
        if (name === 'onload')
          return;
        this.element[name] = typeof handler === 'function' ? function (event) { return handler.call(layer, event); } : null;
      }
    });
  });

  // --- The layer's document ------------------------------------------------------------------------

  var documents = new WeakMap();
  accessor('document', function (e) {
    var doc = documents.get(e);
    if (!doc) {
      doc = layerDocument(e, this);
      documents.set(e, doc);
    }
    return doc;
  });

  function layerDocument(element, layer) {
    var buffer = null;
    var doc = {};
    var scoped = function (selector) {
      return function () { return element.querySelectorAll(selector); };
    };
    var collections = { images: 'img', forms: 'form', links: 'a[href], area[href]', anchors: 'a[name]', applets: 'applet',
                        embeds: 'embed' };
    Object.keys(collections).forEach(function (name) {
      var all = scoped(collections[name]);
      Object.defineProperty(doc, name, {
        enumerable: true,
        get: guard(function () { return namedList(all()); })
      });
    });
    var sublayers = layerCollection(element);
    nameLayers(doc, layersIn(element));
    Object.defineProperty(doc, 'layers', { enumerable: true, get: function () { return sublayers; } });
    Object.defineProperty(doc, 'width', { enumerable: true, get: function () { return element.scrollWidth; } });
    Object.defineProperty(doc, 'height', { enumerable: true, get: function () { return element.scrollHeight; } });
    Object.defineProperty(doc, 'bgColor', {
      enumerable: true,
      get: function () { return layer.bgColor; },
      set: function (v) { layer.bgColor = v; }
    });
    doc.open = guard(function () {
      buffer = '';
    });
    doc.write = guard(function () {
      if (buffer === null)
        buffer = '';
      buffer += Array.prototype.join.call(arguments, '');
      // Shown at once, so a page that forgets close() still shows what it wrote.
      element.innerHTML = buffer;
    });
    doc.writeln = function () {
      doc.write(Array.prototype.join.call(arguments, '') + '\n');
    };
    doc.close = guard(function () {
      if (buffer !== null) {
        element.innerHTML = buffer;
        runScripts(element);
      }
      buffer = null;
    });
    doc.captureEvents = captureEvents;
    doc.releaseEvents = releaseEvents;
    doc.routeEvent = routeEvent;
    doc.getElementById = function (id) { return element.querySelector('[id="' + CSS.escape(String(id)) + '"]'); };
    return doc;
  }

  // A static list found by index or by name, as layer.document.images["x"] was.
  function namedList(nodes) {
    var list = Array.prototype.slice.call(nodes);
    list.forEach(function (node) {
      var key = node.getAttribute('name') || node.id;
      if (key && !(key in list))
        list[key] = node;
    });
    return list;
  }

  var constructor = guard(Layer);
  constructor.prototype = proto;
  Object.defineProperty(window, 'Layer', { configurable: true, writable: true, value: constructor });

  // Netscape named each layer on its document too: document.ball.left.
  function nameLayers(owner, list) {
    list.forEach(function (element) {
      [element.id, element.getAttribute('name')].forEach(function (key) {
        if (key && !(key in owner)) {
          Object.defineProperty(owner, key, {
            configurable: true,
            get: function () { return layerOf(element); },
            set: function (value) {
              Object.defineProperty(owner, key, { configurable: true, writable: true, value: value });
            }
          });
        }
      });
    });
  }
  document.addEventListener('DOMContentLoaded', guard(function () {
    nameLayers(document, layersIn(document));
  }));
});
