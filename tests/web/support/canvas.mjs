// Whether a chart drew its line: the pixels of the series' colour on the chart's canvas.

export async function pixelsOfColour(page, canvasSelector, [red, green, blue]) {
    return page.$eval(canvasSelector, (canvas, r, g, b) => {
        const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
        let count = 0;
        for (let i = 0; i < data.length; i += 4)
            if (Math.abs(data[i] - r) < 40 && Math.abs(data[i + 1] - g) < 40 && Math.abs(data[i + 2] - b) < 40 && data[i + 3] > 100) count++;
        return count;
    }, red, green, blue);
}
