// Who the page thinks it runs in: Internet Explorer 6 on Windows XP. Today's engines keep
// document.all but make it falsy, so sniffing code took neither browser's branch; here it is an
// ordinary object again, indexable, callable and named as in IE.
compat.part('ie', function () {
  if (compat.identity !== 'ie')
    return;

  var nav = window.navigator;
  var language = String(nav.language || 'bg').toLowerCase();
  compat.identify({
    appName: 'Microsoft Internet Explorer',
    appVersion: '4.0 (compatible; MSIE 6.0; Windows NT 5.1)',
    userAgent: 'Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)',
    appMinorVersion: ';SP2;',
    platform: 'Win32',
    cpuClass: 'x86',
    browserLanguage: language,
    userLanguage: language,
    systemLanguage: language
  });

  // Case-blind property names, as IE's collections answered them, come from the engine's own
  // collection: it already finds by number, id and name.
  var nativeAll = Object.getOwnPropertyDescriptor(Document.prototype, 'all');
  var collections = new WeakMap();

  function isIndex(name) {
    return typeof name === 'string' && /^(0|[1-9][0-9]*)$/.test(name);
  }

  // IE's all collection over `elements` (a live collection of every element under the root),
  // found by id or name through `named`.
  function makeAll(elements, named, root) {
    function item(name, index) {
      if (name === undefined || name === null)
        return null;
      if (typeof name === 'number' || isIndex(String(name)))
        return elements[Number(name)] || null;
      var found = named(String(name));
      if (found && index !== undefined && typeof found.length === 'number' && !found.tagName)
        return found[Number(index)] || null;
      return found || null;
    }
    function tags(tag) {
      return root.getElementsByTagName(String(tag));
    }
    var methods = {
      item: item,
      namedItem: function (name) { return item(name); },
      tags: tags,
      urns: function () { return []; }
    };
    var target = function () {};
    return new Proxy(target, {
      apply: compat.guard('ie', function (t, self, args) {
        return item(args[0], args[1]);
      }),
      get: compat.guard('ie', function (t, name) {
        if (typeof name === 'symbol') {
          var value = elements[name];
          return typeof value === 'function' ? value.bind(elements) : value;
        }
        if (name === 'length')
          return elements.length;
        if (Object.prototype.hasOwnProperty.call(methods, name))
          return methods[name];
        if (isIndex(name))
          return elements[Number(name)];
        var found = named(name);
        if (found)
          return found;
        return t[name];
      }),
      has: compat.guard('ie', function (t, name) {
        if (typeof name === 'symbol')
          return name in elements;
        if (name === 'length' || Object.prototype.hasOwnProperty.call(methods, name))
          return true;
        if (isIndex(name))
          return Number(name) < elements.length;
        return !!named(name);
      }),
      set: function () { return true; },
      ownKeys: function (t) {
        var keys = [];
        for (var i = 0; i < elements.length; ++i)
          keys.push(String(i));
        return keys.concat(Reflect.ownKeys(t));
      },
      getOwnPropertyDescriptor: function (t, name) {
        if (isIndex(name) && Number(name) < elements.length)
          return { configurable: true, enumerable: true, writable: false, value: elements[Number(name)] };
        return Reflect.getOwnPropertyDescriptor(t, name);
      }
    });
  }

  function byName(root, name) {
    var found = root.querySelectorAll('[name="' + CSS.escape(name) + '"]');
    return found.length === 0 ? null : found.length === 1 ? found[0] : found;
  }

  // IE found ids and names in any letter case, and getElementById found names too; only what
  // the engine finds no other way is looked for so.
  function looselyNamed(root, name) {
    var lower = String(name).toLowerCase();
    var candidates = root.querySelectorAll('[id], [name]');
    for (var i = 0; i < candidates.length; ++i) {
      var element = candidates[i];
      if (String(element.id).toLowerCase() === lower || String(element.getAttribute('name')).toLowerCase() === lower)
        return element;
    }
    return null;
  }

  var nativeById = Document.prototype.getElementById;
  Document.prototype.getElementById = function (id) {
    var found = nativeById.apply(this, arguments);
    if (found || id === undefined || id === null || id === '')
      return found;
    try {
      return looselyNamed(this, id);
    } catch (e) {
      return null;
    }
  };

  var counted = false;
  function countAll() {
    if (!counted) {
      counted = true;
      compat.use('document.all');
    }
  }

  if (nativeAll && nativeAll.get) {
    Object.defineProperty(Document.prototype, 'all', {
      configurable: true,
      enumerable: true,
      get: function () {
        var all = collections.get(this);
        if (!all) {
          var elements = nativeAll.get.call(this);
          var doc = this;
          all = makeAll(elements, function (name) {
            // IE found any element by its name, not only those the standard names.
            return elements.namedItem(name) || byName(doc, name) || looselyNamed(doc, name);
          }, this);
          collections.set(this, all);
        }
        countAll();
        return all;
      },
      set: function (value) {
        Object.defineProperty(this, 'all', { configurable: true, enumerable: true, writable: true, value: value });
      }
    });
  }

  // element.all: the element's descendants.
  if (!('all' in Element.prototype)) {
    Object.defineProperty(Element.prototype, 'all', {
      configurable: true,
      get: function () {
        var all = collections.get(this);
        if (!all) {
          var root = this;
          var elements = root.getElementsByTagName('*');
          all = makeAll(elements, function (name) {
            var found = root.querySelectorAll('[id="' + CSS.escape(name) + '"], [name="' + CSS.escape(name) + '"]');
            return found.length === 0 ? null : found.length === 1 ? found[0] : found;
          }, root);
          collections.set(this, all);
        }
        countAll();
        return all;
      },
      set: function (value) {
        Object.defineProperty(this, 'all', { configurable: true, enumerable: true, writable: true, value: value });
      }
    });
  }

  function defineValue(object, name, value) {
    if (!(name in object))
      Object.defineProperty(object, name, { configurable: true, writable: true, value: value });
  }

  // JScript's own: the engine's name and version, and Enumerator over a collection.
  defineValue(window, 'ScriptEngine', function () { return 'JScript'; });
  defineValue(window, 'ScriptEngineMajorVersion', function () { return 5; });
  defineValue(window, 'ScriptEngineMinorVersion', function () { return 6; });
  defineValue(window, 'ScriptEngineBuildVersion', function () { return 8820; });
  defineValue(window, 'Enumerator', function Enumerator(collection) {
    var items = collection || [];
    var index = 0;
    this.atEnd = function () { return index >= items.length; };
    this.item = function () { return index < items.length ? items[index] : undefined; };
    this.moveFirst = function () { index = 0; };
    this.moveNext = function () { ++index; };
  });

  // JScript's getYear gave the full year outside 1900-1999; a clock of an IE page shows 2026,
  // not 126.
  var nativeGetYear = Date.prototype.getYear;
  if (nativeGetYear) {
    Date.prototype.getYear = function () {
      var year = this.getFullYear();
      return year >= 1900 && year <= 1999 ? year - 1900 : year;
    };
  }

  // IE's element.sourceIndex (its place in document.all) and uniqueID.
  var uniqueIds = new WeakMap();
  var nextUnique = 0;
  if (!('sourceIndex' in Element.prototype)) {
    Object.defineProperty(Element.prototype, 'sourceIndex', {
      configurable: true,
      get: compat.guard('ie', function () {
        return Array.prototype.indexOf.call(this.ownerDocument.getElementsByTagName('*'), this);
      })
    });
  }
  if (!('uniqueID' in Element.prototype)) {
    Object.defineProperty(Element.prototype, 'uniqueID', {
      configurable: true,
      get: function () {
        var id = uniqueIds.get(this);
        if (!id)
          uniqueIds.set(this, (id = 'ms__id' + ++nextUnique));
        return id;
      }
    });
  }

  // IE's XML requester was an ActiveX control; every other control is missing, as on a machine
  // without it, so a page's try/catch takes its other way.
  if (!('ActiveXObject' in window)) {
    var requesters = /^(microsoft|msxml2)\.xmlhttp(\.[0-9.]+)?$/i;
    var ActiveXObject = function ActiveXObject(progId) {
      compat.use('ActiveXObject');
      if (requesters.test(String(progId)))
        return new XMLHttpRequest();
      throw new Error("Automation server can't create object");
    };
    Object.defineProperty(window, 'ActiveXObject', { configurable: true, writable: true, value: ActiveXObject });
  }
});
