// Internet Explorer's filters: the CSS filter: values (alpha, the DXImageTransform filters, gray,
// invert, xray, fliph, flipv, blur, glow, shadow...) as standard CSS, the element.filters
// collection, and the blendTrans/revealTrans transitions with apply(), play() and stop() done as
// CSS animations over a frozen copy of the element's old look. Builds on the iestyle part.
compat.part('filters', function () {
  var hooks = compat.styleHooks;
  if (!hooks)
    throw new Error('iestyle is missing');
  var guard = function (fn) { return compat.guard('filters', fn); };

  // The IE filter text an element has, kept where the cascade finds it.
  var textProperty = '--corvane-ie-filter';
  try {
    CSS.registerProperty({ name: textProperty, syntax: '*', inherits: false });
  } catch (e) {
    // Registered already, by this document's earlier run.
  }

  var shortNames = /^(alpha|blur|chroma|dropshadow|fliph|flipv|glow|gray|invert|light|mask|shadow|wave|xray|blendtrans|revealtrans)$/;
  var transitions = /^(blendtrans|revealtrans|barn|blinds|checkerboard|fade|gradientwipe|inset|iris|pixelate|radialwipe|randombars|randomdissolve|slide|spiral|stretch|strips|wheel|zigzag)$/;

  function unquote(value) {
    value = value.trim();
    var found = /^(["'])([\s\S]*)\1$/.exec(value);
    return found ? found[2] : value;
  }

  // "alpha(opacity=50) progid:DXImageTransform.Microsoft.Blur(PixelRadius=2) gray" as a list of
  // {name, full, progid, keys, params}; null when the text is no IE filter (today's filter
  // functions included).
  function parse(text) {
    var items = [];
    var i = 0;
    text = String(text);
    while (i < text.length) {
      var rest = text.slice(i);
      var space = /^[\s,]+/.exec(rest);
      if (space) {
        i += space[0].length;
        continue;
      }
      var head = /^(progid\s*:\s*)?([A-Za-z][\w.]*)\s*/.exec(rest);
      if (!head)
        return null;
      i += head[0].length;
      var item = { full: head[2], name: head[2].split('.').pop().toLowerCase(), progid: !!head[1], keys: [], params: {}, bare: true };
      if (text[i] === '(') {
        item.bare = false;
        var depth = 0;
        var start = i + 1;
        var quote = null;
        for (; i < text.length; ++i) {
          var c = text[i];
          if (quote) {
            if (c === quote)
              quote = null;
          } else if (c === '"' || c === "'") {
            quote = c;
          } else if (c === '(') {
            ++depth;
          } else if (c === ')' && --depth === 0) {
            break;
          }
        }
        var inner = text.slice(start, i);
        ++i;
        if (!item.progid && (item.name === 'blur' || item.name === 'invert') && /\S/.test(inner) && inner.indexOf('=') < 0)
          return null;
        if (!readParams(inner, item))
          return null;
      }
      if (!item.progid && !shortNames.test(item.name))
        return null;
      items.push(item);
    }
    return items.length ? items : null;
  }

  function readParams(inner, item) {
    var parts = inner.match(/(?:[^,'"]+|'[^']*'|"[^"]*")+/g) || [];
    for (var p = 0; p < parts.length; ++p) {
      var equals = parts[p].indexOf('=');
      if (equals < 0) {
        if (/\S/.test(parts[p]))
          return false;
        continue;
      }
      var key = parts[p].slice(0, equals).trim();
      setParam(item, key, unquote(parts[p].slice(equals + 1)));
    }
    return true;
  }

  function setParam(item, key, value) {
    var lower = key.toLowerCase();
    if (!(lower in item.params))
      item.keys.push(key);
    item.params[lower] = String(value);
  }

  function serialize(items) {
    return items.map(function (item) {
      var head = (item.progid ? 'progid:' : '') + item.full;
      if (item.bare && !item.keys.length)
        return head;
      return head + '(' + item.keys.map(function (key) {
        var value = item.params[key.toLowerCase()];
        return key + '=' + (/[\s,()]/.test(value) ? "'" + value + "'" : value);
      }).join(', ') + ')';
    }).join(' ');
  }

  // --- Standard CSS for an IE filter -----------------------------------------------------------

  function number(item, key, fallback) {
    var value = parseFloat(item.params[key]);
    return isNaN(value) ? fallback : value;
  }

  // IE's colours: #RRGGBB, #AARRGGBB, a name, or a number.
  function colour(value, fallback) {
    if (value === undefined || value === '')
      return fallback;
    var text = String(value).trim();
    var long = /^#([0-9a-f]{2})([0-9a-f]{6})$/i.exec(text);
    if (long) {
      var rgb = long[2];
      return 'rgba(' + [0, 2, 4].map(function (at) { return parseInt(rgb.substr(at, 2), 16); }).join(',') + ',' +
             (parseInt(long[1], 16) / 255).toFixed(3) + ')';
    }
    if (/^[0-9]+$/.test(text))
      return '#' + ('000000' + Number(text).toString(16)).slice(-6);
    return text;
  }

  function enabled(item) {
    var value = item.params.enabled;
    return value === undefined || !/^(false|0)$/i.test(value);
  }

  function px(value) {
    return Math.round(value * 10) / 10 + 'px';
  }

  function alphaMask(item, start, finish) {
    var style = number(item, 'style', 0);
    var from = 'rgba(0,0,0,' + start + ')';
    var to = 'rgba(0,0,0,' + finish + ')';
    if (style === 1) {
      var dx = number(item, 'finishx', 100) - number(item, 'startx', 0);
      var dy = number(item, 'finishy', 0) - number(item, 'starty', 0);
      if (!dx && !dy)
        dx = 1;
      var angle = Math.round(Math.atan2(dx, -dy) * 180 / Math.PI);
      return 'linear-gradient(' + angle + 'deg, ' + from + ', ' + to + ')';
    }
    return 'radial-gradient(' + (style === 3 ? 'closest-side' : 'farthest-corner') + ', ' + from + ', ' + to + ')';
  }

  // The standard declarations for a parsed IE filter.
  function toCss(items) {
    var opacity = null;
    var functions = [];
    var transforms = [];
    var map = {};
    items.forEach(function (item) {
      if (!enabled(item))
        return;
      var name = item.name;
      if (name === 'alpha') {
        var start = number(item, 'opacity', 100) / 100;
        var style = number(item, 'style', 0);
        if (style) {
          map['-webkit-mask-image'] = alphaMask(item, start, number(item, 'finishopacity', 0) / 100);
          opacity = opacity === null ? 1 : opacity;
        } else {
          opacity = (opacity === null ? 1 : opacity) * start;
        }
      } else if (name === 'gray') {
        functions.push('grayscale(1)');
      } else if (name === 'invert') {
        functions.push('invert(1)');
      } else if (name === 'xray') {
        functions.push('grayscale(1)', 'invert(1)');
      } else if (name === 'fliph') {
        transforms.push('scaleX(-1)');
      } else if (name === 'flipv') {
        transforms.push('scaleY(-1)');
      } else if (name === 'blur') {
        functions.push('blur(' + px(item.progid ? number(item, 'pixelradius', 2) : number(item, 'strength', 5) / 2) + ')');
      } else if (name === 'motionblur') {
        functions.push('blur(' + px(number(item, 'strength', 5) / 2) + ')');
      } else if (name === 'glow') {
        var glow = colour(item.params.color, '#ff0000');
        var reach = px(number(item, 'strength', 5));
        functions.push('drop-shadow(0 0 ' + reach + ' ' + glow + ')', 'drop-shadow(0 0 ' + reach + ' ' + glow + ')');
      } else if (name === 'shadow') {
        var direction = number(item, 'direction', 225) * Math.PI / 180;
        var strength = number(item, 'strength', 5);
        functions.push('drop-shadow(' + px(Math.sin(direction) * strength) + ' ' + px(-Math.cos(direction) * strength) +
                       ' ' + px(strength / 2) + ' ' + colour(item.params.color, '#808080') + ')');
      } else if (name === 'dropshadow') {
        functions.push('drop-shadow(' + px(number(item, 'offx', 5)) + ' ' + px(number(item, 'offy', 5)) + ' 0 ' +
                       colour(item.params.color, '#000000') + ')');
      } else if (name === 'basicimage') {
        var turns = number(item, 'rotation', 0) % 4;
        if (turns)
          transforms.push('rotate(' + turns * 90 + 'deg)');
        if (number(item, 'mirror', 0))
          transforms.push('scaleX(-1)');
        if (number(item, 'grayscale', 0))
          functions.push('grayscale(1)');
        if (number(item, 'xray', 0))
          functions.push('grayscale(1)', 'invert(1)');
        if (number(item, 'invert', 0))
          functions.push('invert(1)');
        if ('opacity' in item.params)
          opacity = (opacity === null ? 1 : opacity) * number(item, 'opacity', 1);
      } else if (name === 'emboss' || name === 'engrave') {
        functions.push('grayscale(1)', 'contrast(1.6)');
      } else if (name === 'matrix') {
        transforms.push('matrix(' + [number(item, 'm11', 1), number(item, 'm21', 0), number(item, 'm12', 0),
                                     number(item, 'm22', 1), number(item, 'dx', 0), number(item, 'dy', 0)].join(',') + ')');
      } else if (name === 'gradient') {
        var from = colour(item.params.startcolorstr || item.params.startcolor, '#0000ff');
        var to = colour(item.params.endcolorstr || item.params.endcolor, '#000000');
        var across = number(item, 'gradienttype', 0) === 1;
        map['background-image'] = 'linear-gradient(' + (across ? 'to right' : 'to bottom') + ', ' + from + ', ' + to + ')';
      } else if (name === 'alphaimageloader' && item.params.src) {
        var sizing = String(item.params.sizingmethod || 'image').toLowerCase();
        map['background-image'] = 'url("' + item.params.src.replace(/"/g, '%22') + '")';
        map['background-repeat'] = 'no-repeat';
        map['background-size'] = sizing === 'scale' ? '100% 100%' : 'auto';
      }
    });
    if (opacity !== null)
      map.opacity = String(Math.round(Math.max(0, Math.min(1, opacity)) * 1000) / 1000);
    map.filter = functions.length ? functions.join(' ') : 'none';
    if (transforms.length)
      map.transform = transforms.join(' ');
    return map;
  }

  function quoted(text) {
    return '"' + text.replace(/\\/g, '\\\\').replace(/"/g, '\\"') + '"';
  }

  function unquoteCss(value) {
    var found = /^\s*"((?:[^"\\]|\\.)*)"\s*$/.exec(value || '');
    return found ? found[1].replace(/\\(.)/g, '$1') : '';
  }

  var counted = new WeakSet();
  var ieAnywhere = /progid\s*:|alpha\s*\(|(^|[\s:;,])(gray|xray|fliph|flipv|blendtrans|revealtrans)\b/i;

  hooks.translators.filter = function (value, source) {
    var text = String(value).trim();
    var items = parse(text);
    if (!items) {
      // IE's "no filter" where IE's filters are in use: opacity back too.
      if (/^none$/i.test(text) && ieAnywhere.test(source || ''))
        return { filter: 'none', opacity: '1', '--corvane-ie-filter': quoted('') };
      return null;
    }
    var map = toCss(items);
    map[textProperty] = quoted(text);
    return map;
  };

  var nativeStyle = Object.getOwnPropertyDescriptor(HTMLElement.prototype, 'style');
  function rawStyle(element) {
    return nativeStyle && nativeStyle.get ? nativeStyle.get.call(element) : element.style;
  }

  function inlineText(element) {
    var value = rawStyle(element).getPropertyValue(textProperty);
    return value ? unquoteCss(value) : null;
  }

  function countUse(element) {
    if (!counted.has(element)) {
      counted.add(element);
      compat.use('филтри');
    }
  }

  // style.filter = "alpha(opacity=50)": IE's value through the translation; a standard value
  // clears what an IE one set before.
  hooks.setHooks.filter = guard(function (target, element, value) {
    var text = value === null || value === undefined ? '' : String(value);
    if (parse(text)) {
      countUse(element);
      return hooks.applyInline(element, 'filter', text);
    }
    if (inlineText(element) !== null)
      hooks.applyInline(element, 'filter', '');
    return false;
  });
  hooks.getHooks.filter = function (target, element, computed) {
    if (computed)
      return filterText(element);
    var own = inlineText(element);
    return own !== null ? own : target.filter;
  };

  // The IE filter the cascade gives the element (its own style first).
  var synced = false;
  function filterText(element) {
    var own = inlineText(element);
    if (own !== null)
      return own;
    if (document.readyState === 'loading' && !synced) {
      synced = true;
      hooks.syncStyles();
      setTimeout(function () { synced = false; }, 0);
    }
    return unquoteCss(getComputedStyle(element).getPropertyValue(textProperty));
  }

  // --- The filters collection ------------------------------------------------------------------

  var states = new WeakMap(); // element -> {text, items, objects, collection}

  function stateOf(element) {
    var text = filterText(element);
    var state = states.get(element);
    if (state && state.text === text)
      return state;
    var items = parse(text) || [];
    state = { element: element, text: text, items: items };
    state.objects = items.map(function (item) { return filterObject(state, item); });
    state.collection = collection(state);
    states.set(element, state);
    return state;
  }

  // A change to one filter's properties: the element gets the whole text again.
  function changed(state) {
    state.text = serialize(state.items);
    countUse(state.element);
    hooks.applyInline(state.element, 'filter', state.text);
  }

  function find(state, name) {
    var lower = String(name).toLowerCase();
    for (var i = 0; i < state.items.length; ++i) {
      var item = state.items[i];
      if (item.name === lower || item.full.toLowerCase() === lower ||
          'dximagetransform.microsoft.' + item.name === lower)
        return state.objects[i];
    }
    return undefined;
  }

  function collection(state) {
    var item = function (key) {
      if (typeof key === 'number' || /^[0-9]+$/.test(String(key)))
        return state.objects[Number(key)];
      return find(state, key);
    };
    return new Proxy({}, {
      get: guard(function (target, name) {
        if (typeof name !== 'string')
          return name === Symbol.iterator ? state.objects[Symbol.iterator].bind(state.objects) : undefined;
        if (name === 'length')
          return state.objects.length;
        if (name === 'item')
          return item;
        return item(name);
      }),
      has: function (target, name) {
        return typeof name === 'string' && (name === 'length' || name === 'item' || item(name) !== undefined);
      },
      set: function () { return true; }
    });
  }

  function filterObject(state, item) {
    var run = { status: 0 };
    var methods = {};
    if (transitions.test(item.name)) {
      methods.apply = function () { transitionApply(state, item, run); };
      methods.play = function (duration) { transitionPlay(state, item, run, duration); };
      methods.stop = function () { transitionStop(state, item, run); };
    }
    return new Proxy(item, {
      get: guard(function (target, name) {
        if (typeof name !== 'string')
          return undefined;
        var lower = name.toLowerCase();
        if (methods[lower])
          return methods[lower];
        if (lower === 'status')
          return run.status;
        if (lower === 'enabled')
          return enabled(item);
        if (lower === 'duration' && !('duration' in item.params))
          return 1;
        if (lower === 'transition' && item.name === 'revealtrans' && !('transition' in item.params))
          return 0;
        if (!(lower in item.params))
          return undefined;
        var value = item.params[lower];
        return /^-?[0-9.]+$/.test(value) ? parseFloat(value) : value;
      }),
      set: guard(function (target, name, value) {
        if (typeof name !== 'string')
          return true;
        var lower = name.toLowerCase();
        if (lower === 'enabled')
          value = value ? 'true' : 'false';
        var existing = item.keys.filter(function (key) { return key.toLowerCase() === lower; })[0];
        setParam(item, existing || name, value);
        changed(state);
        return true;
      })
    });
  }

  Object.defineProperty(HTMLElement.prototype, 'filters', {
    configurable: true,
    get: guard(function () {
      var state = stateOf(this);
      if (state.items.length)
        countUse(this);
      return state.collection;
    })
  });

  // --- Transitions ------------------------------------------------------------------------------

  // progid transitions, by the reveal kind that comes closest; Fade and Pixelate blend.
  var revealOf = { barn: 13, blinds: 8, checkerboard: 10, gradientwipe: 6, inset: 19, iris: 1, radialwipe: 3,
                   randombars: 21, randomdissolve: 12, slide: 6, spiral: 0, stretch: 14, strips: 17, wheel: 3,
                   zigzag: 9 };

  function kindOf(item) {
    if (item.name === 'blendtrans' || item.name === 'fade' || item.name === 'pixelate')
      return -1;
    if (item.name === 'revealtrans')
      return Math.max(0, Math.min(23, Math.floor(number(item, 'transition', 0))));
    if (item.name === 'iris' && /^out$/i.test(item.params.motion || 'out'))
      return /circle/i.test(item.params.irisstyle || '') ? 3 : 1;
    if (item.name === 'iris')
      return /circle/i.test(item.params.irisstyle || '') ? 2 : 0;
    return revealOf[item.name] || 0;
  }

  var skipped = /^(position|left|top|right|bottom|margin|transition|animation|pointer-events|z-index|width|height)/;

  function copyLook(from, to, computed) {
    var style = computed || getComputedStyle(from);
    var target = rawStyle(to);
    for (var i = 0; i < style.length; ++i) {
      var name = style[i];
      if (!skipped.test(name))
        target.setProperty(name, style.getPropertyValue(name));
    }
  }

  // A copy of the element's look now, laid over it; null when it shows nothing.
  function snapshot(element) {
    var computed = getComputedStyle(element);
    var box = element.getBoundingClientRect();
    if (computed.display === 'none' || computed.visibility === 'hidden' || parseFloat(computed.opacity) === 0 ||
        box.width === 0 || box.height === 0)
      return null;
    var copy = element.cloneNode(true);
    var inner = copy.querySelectorAll('*');
    var originals = element.querySelectorAll('*');
    if (originals.length <= 60) {
      for (var i = 0; i < inner.length; ++i)
        copyLook(originals[i], inner[i]);
    }
    [copy].concat(Array.prototype.slice.call(inner)).forEach(function (node) {
      node.removeAttribute('id');
      node.removeAttribute('name');
    });
    copyLook(element, copy, computed);
    var style = rawStyle(copy);
    style.setProperty('position', 'absolute');
    style.setProperty('left', px(box.left + window.pageXOffset));
    style.setProperty('top', px(box.top + window.pageYOffset));
    style.setProperty('width', px(box.width));
    style.setProperty('height', px(box.height));
    style.setProperty('box-sizing', 'border-box');
    style.setProperty('margin', '0');
    style.setProperty('pointer-events', 'none');
    style.setProperty('z-index', '2147483647');
    style.setProperty('transform', 'none');
    style.setProperty('transition', 'none');
    document.documentElement.appendChild(copy);
    return { node: copy, width: box.width, height: box.height };
  }

  // Shapes of what is left of the old look at progress t (0 to 1): polygons in pixels of the
  // copy's box; `outside` means everything but them.
  function rect(x1, y1, x2, y2) {
    return [[x1, y1], [x2, y1], [x2, y2], [x1, y2]];
  }

  function circle(cx, cy, r) {
    var points = [];
    for (var i = 0; i < 40; ++i) {
      var a = i * Math.PI / 20;
      points.push([cx + r * Math.cos(a), cy + r * Math.sin(a)]);
    }
    return points;
  }

  // The half-plane X' + Y' >= c of the unit box, flipped as the strips run, in pixels.
  function strip(w, h, c, flipX, flipY) {
    return [[c + 3, -3], [9, -3], [9, 9], [-3, 9], [-3, c + 3]].map(function (p) {
      var x = flipX ? 1 - p[0] : p[0];
      var y = flipY ? 1 - p[1] : p[1];
      return [x * w, y * h];
    });
  }

  function shapes(kind, t, w, h) {
    var i;
    var list = [];
    var n = 8;
    switch (kind) {
    case 0: return { polygons: [rect(t * w / 2, t * h / 2, w - t * w / 2, h - t * h / 2)] };
    case 1: return { polygons: [rect((1 - t) * w / 2, (1 - t) * h / 2, (1 + t) * w / 2, (1 + t) * h / 2)], outside: true };
    case 2: return { polygons: [circle(w / 2, h / 2, (1 - t) * Math.sqrt(w * w + h * h) / 2)] };
    case 3: return { polygons: [circle(w / 2, h / 2, t * Math.sqrt(w * w + h * h) / 2)], outside: true };
    case 4: return { polygons: [rect(0, 0, w, (1 - t) * h)] };
    case 5: return { polygons: [rect(0, t * h, w, h)] };
    case 6: return { polygons: [rect(t * w, 0, w, h)] };
    case 7: return { polygons: [rect(0, 0, (1 - t) * w, h)] };
    case 8:
      for (i = 0; i < n; ++i)
        list.push(rect((i + t) * w / n, 0, (i + 1) * w / n, h));
      return { polygons: list };
    case 9:
      for (i = 0; i < n; ++i)
        list.push(rect(0, (i + t) * h / n, w, (i + 1) * h / n));
      return { polygons: list };
    case 10:
    case 11:
      var across = kind === 10;
      var size = Math.max(w, h) / 8;
      var lines = Math.ceil((across ? h : w) / size);
      var blocks = Math.ceil((across ? w : h) / (2 * size)) + 1;
      for (var line = 0; line < lines; ++line) {
        for (var b = 0; b < blocks; ++b) {
          var from = b * 2 * size - (line % 2) * size;
          var a1 = from + 2 * size * t;
          var a2 = from + 2 * size;
          list.push(across ? rect(a1, line * size, a2, (line + 1) * size) : rect(line * size, a1, (line + 1) * size, a2));
        }
      }
      return { polygons: list };
    case 13: return { polygons: [rect(t * w / 2, 0, w - t * w / 2, h)] };
    case 14: return { polygons: [rect((1 - t) * w / 2, 0, (1 + t) * w / 2, h)], outside: true };
    case 15: return { polygons: [rect(0, t * h / 2, w, h - t * h / 2)] };
    case 16: return { polygons: [rect(0, (1 - t) * h / 2, w, (1 + t) * h / 2)], outside: true };
    case 17: return { polygons: [strip(w, h, 2 * t, true, false)] };
    case 18: return { polygons: [strip(w, h, 2 * t, true, true)] };
    case 19: return { polygons: [strip(w, h, 2 * t, false, false)] };
    case 20: return { polygons: [strip(w, h, 2 * t, false, true)] };
    }
    return { polygons: [] };
  }

  // The random kinds: cells that go in a random order, as steps.
  function randomSteps(kind, w, h, steps) {
    var columns;
    var rows;
    if (kind === 21) {
      columns = 1;
      rows = Math.max(1, Math.min(100, Math.round(h / 2)));
    } else if (kind === 22) {
      columns = Math.max(1, Math.min(100, Math.round(w / 2)));
      rows = 1;
    } else {
      columns = Math.max(1, Math.min(24, Math.round(w / 8)));
      rows = Math.max(1, Math.min(24, Math.round(h / 8)));
    }
    var order = [];
    for (var c = 0; c < columns * rows; ++c)
      order.push(c);
    for (var k = order.length - 1; k > 0; --k) {
      var j = Math.floor(Math.random() * (k + 1));
      var swap = order[k];
      order[k] = order[j];
      order[j] = swap;
    }
    var cw = w / columns;
    var ch = h / rows;
    var result = [];
    for (var s = 0; s <= steps; ++s) {
      var gone = {};
      var count = Math.round(order.length * s / steps);
      for (var g = 0; g < count; ++g)
        gone[order[g]] = true;
      var polygons = [];
      for (var row = 0; row < rows; ++row) {
        // Runs of cells still there in a row, as one rectangle each.
        var runStart = -1;
        for (var col = 0; col <= columns; ++col) {
          var here = col < columns && !gone[row * columns + col];
          if (here && runStart < 0)
            runStart = col;
          if (!here && runStart >= 0) {
            polygons.push(rect(runStart * cw, row * ch, col * cw, (row + 1) * ch));
            runStart = -1;
          }
        }
      }
      result.push({ polygons: polygons });
    }
    return result;
  }

  // One clip-path polygon for a shape: each polygon reached from the origin and back, so the
  // bridges cover nothing.
  function clipPath(shape, w, h, invert) {
    var outside = !!shape.outside !== !!invert;
    var points = [[0, 0]];
    var polygons = outside ? [rect(0, 0, w, h)].concat(shape.polygons) : shape.polygons;
    polygons.forEach(function (polygon) {
      points = points.concat(polygon, [polygon[0], [0, 0]]);
    });
    if (points.length < 3)
      points = [[0, 0], [0, 0], [0, 0]];
    return 'polygon(' + (outside ? 'evenodd, ' : '') + points.map(function (p) {
      return px(p[0]) + ' ' + px(p[1]);
    }).join(', ') + ')';
  }

  function keyframes(kind, w, h, invert) {
    if (kind === 12 || kind === 21 || kind === 22) {
      return randomSteps(kind, w, h, 20).map(function (shape) {
        return { clipPath: clipPath(shape, w, h, invert), easing: 'step-end' };
      });
    }
    return [{ clipPath: clipPath(shapes(kind, 0, w, h), w, h, invert) },
            { clipPath: clipPath(shapes(kind, 1, w, h), w, h, invert) }];
  }

  function clear(run) {
    if (run.timer)
      clearTimeout(run.timer);
    run.timer = 0;
    (run.animations || []).forEach(function (animation) { animation.cancel(); });
    run.animations = [];
    if (run.copy && run.copy.node.parentNode)
      run.copy.node.parentNode.removeChild(run.copy.node);
    run.copy = null;
  }

  function transitionApply(state, item, run) {
    clear(run);
    compat.use(item.name === 'revealtrans' ? 'revealTrans' : item.name === 'blendtrans' ? 'blendTrans' : 'преходи');
    var element = state.element;
    run.copy = snapshot(element);
    // Until play() the element keeps its old look: what changes on it meanwhile stays unseen.
    run.animations = [element.animate([{ opacity: 0 }, { opacity: 0 }], { duration: 3600000 })];
    run.status = 1;
  }

  function transitionPlay(state, item, run, duration) {
    var element = state.element;
    var seconds = duration === undefined ? number(item, 'duration', 1) : parseFloat(duration);
    var ms = Math.max(0, (isNaN(seconds) ? 1 : seconds) * 1000);
    var copy = run.copy;
    (run.animations || []).forEach(function (animation) { animation.cancel(); });
    run.animations = [];
    if (run.status !== 1)
      copy = null;
    run.status = 2;
    var kind = kindOf(item);
    if (kind === 23)
      kind = Math.floor(Math.random() * 23);
    var timing = { duration: ms, easing: 'linear', fill: 'forwards' };
    if (kind < 0) {
      if (copy) {
        run.animations.push(copy.node.animate([{ opacity: getComputedStyle(copy.node).opacity }, { opacity: 0 }], timing));
      } else {
        run.animations.push(element.animate([{ opacity: 0 }, { opacity: getComputedStyle(element).opacity }],
                                            { duration: ms, easing: 'linear' }));
      }
    } else if (copy) {
      run.animations.push(copy.node.animate(keyframes(kind, copy.width, copy.height, false), timing));
    } else {
      var box = element.getBoundingClientRect();
      run.animations.push(element.animate(keyframes(kind, box.width, box.height, true),
                                          { duration: ms, easing: 'linear' }));
    }
    run.timer = setTimeout(function () { finish(state, run); }, ms);
  }

  function transitionStop(state, item, run) {
    if (run.status === 0)
      return;
    finish(state, run);
  }

  // The end of a transition: the new look alone, and the page's onfilterchange.
  function finish(state, run) {
    guard(clear)(run);
    run.status = 0;
    compat.fireOwnEvent(state.element, 'filterchange');
  }
});
