// The rings picture folded into a turning six-fold kaleidoscope that
// breathes with the bass, circled by the music's spectrum drawn as a ring
// of light. Written in Shadertoy's convention: iChannel0 is the music's
// audio texture, iChannel1 the picture; spin and tint come from the script.
uniform float spin = 0.25;
uniform vec3 tint = vec3(0.6, 0.8, 1.0);

const float TAU = 6.2831853;

// The mean level of the spectrum between two fractions of its width.
float band(float from, float to) {
    float sum = 0.0;
    for (int i = 0; i < 8; ++i)
        sum += texture(iChannel0, vec2(mix(from, to, (float(i) + 0.5) / 8.0), 0.25)).x;
    return sum / 8.0;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float r = length(p);
    float a = atan(p.y, p.x);
    float bass = band(0.0, 0.03);
    float mid = band(0.03, 0.2);

    // Fold the angle into one mirrored sector, turning with the clock.
    float sector = TAU / 6.0;
    float folded = abs(mod(a + iTime * spin, sector) - 0.5 * sector);
    vec2 q = vec2(cos(folded), sin(folded)) * r * (0.75 - 0.25 * bass);
    vec3 picture = texture(iChannel1, q * 0.6 + vec2(0.5 + 0.03 * iTime, 0.5)).rgb * tint;

    // The spectrum around the circle, mirrored so the ring closes.
    float around = abs(fract(a / TAU + 0.25) * 2.0 - 1.0);
    float level = texture(iChannel0, vec2(0.02 + around * 0.3, 0.25)).x;
    float radius = 0.55 + 0.3 * level;
    float ring = smoothstep(0.035, 0.0, abs(r - radius)) * (0.4 + level);
    float glow = 0.02 / (0.02 + abs(r - radius)) * level;

    vec3 colour = picture * (0.55 + 0.9 * bass);
    colour += (ring + 0.5 * glow) * mix(vec3(1.0, 0.75, 0.4), vec3(0.5, 0.8, 1.0), around) * (0.6 + mid);
    colour *= smoothstep(1.7, 0.3, r);
    fragColor = vec4(colour, 1.0);
}
