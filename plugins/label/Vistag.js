// Browser side of the label component: the constructor text that the program
// sends creates one of these, and each later data exchange hands it the
// label's current text and colour.
//
//   new Vistag(fontSize, fontFamily, fontWeight, {t: text, c: colour})
//
// The element shows the text as text, never as markup.
function Vistag(fontSize, fontFamily, fontWeight, webValue) {
    this.fontSize = fontSize;
    this.fontFamily = fontFamily;
    this.fontWeight = fontWeight;
    this.text = '';
    this.color = '';
    this.element = null;
    if (typeof document !== 'undefined') {
        this.element = document.createElement('div');
        this.element.style.fontSize = fontSize;
        this.element.style.fontFamily = fontFamily;
        this.element.style.fontWeight = fontWeight;
        this.element.style.whiteSpace = 'pre';
    }
    this.setWebValue(webValue);
}

// A value the exchange does not carry (a static label) leaves the label as it is.
Vistag.prototype.setWebValue = function (webValue) {
    if (webValue === null || typeof webValue !== 'object')
        return;
    if (typeof webValue.t === 'string')
        this.text = webValue.t;
    if (typeof webValue.c === 'string')
        this.color = webValue.c;
    if (this.element) {
        this.element.textContent = this.text;
        this.element.style.color = this.color;
    }
};
