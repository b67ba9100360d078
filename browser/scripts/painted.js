// True when the page paints anything besides its background: visible text, a picture, a control,
// a frame, or an element with a background, a border or a shadow of its own.
(function () {
  var body = document.body;
  if (!body)
    return false;
  function shown(element) {
    var style = getComputedStyle(element);
    return style.display !== 'none' && style.visibility !== 'hidden' && parseFloat(style.opacity) > 0;
  }
  function hasArea(rect) {
    return rect.width > 0 && rect.height > 0;
  }
  var walker = document.createTreeWalker(body, NodeFilter.SHOW_TEXT);
  var range = document.createRange();
  for (var text = walker.nextNode(); text; text = walker.nextNode()) {
    if (!/\S/.test(text.data) || !text.parentElement || !shown(text.parentElement))
      continue;
    range.selectNodeContents(text);
    if (hasArea(range.getBoundingClientRect()))
      return true;
  }
  var replaced = /^(img|canvas|svg|video|iframe|frame|embed|object|input|textarea|select|button|hr|progress|meter)$/;
  var elements = body.getElementsByTagName('*');
  for (var i = 0; i < elements.length; ++i) {
    var element = elements[i];
    if (!hasArea(element.getBoundingClientRect()) || !shown(element))
      continue;
    if (replaced.test(element.localName))
      return true;
    var style = getComputedStyle(element);
    var border = ['Top', 'Right', 'Bottom', 'Left'].some(function (side) {
      return style['border' + side + 'Style'] !== 'none' && parseFloat(style['border' + side + 'Width']) > 0;
    });
    if (border || style.backgroundImage !== 'none' || style.boxShadow !== 'none'
        || !/^(transparent|rgba\(.*, 0\))$/.test(style.backgroundColor))
      return true;
  }
  return false;
})()
